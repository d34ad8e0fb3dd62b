#include "win32/status_record.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <utility>

#include "core/app/status_record.h"
#include "win32/wide.h"

namespace tessarin {

bool SharedStatusRecord::OpenStatusRecord(const std::string& name) {
    (void)CloseStatusRecord();
    const std::wstring wideName = Utf8ToWide(name);
    if (wideName.empty()) return false;

    UniqueHandle mapping(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, wideName.c_str()));
    if (mapping) {
        MappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (!view) return false;
        mapping_ = std::move(mapping);
        view_ = std::move(view);
        return true;
    }

    mapping.reset(
        ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(StatusRecord), wideName.c_str()));
    if (!mapping) return false;
    // Another copy may have created the name between the two calls; its status must not
    // be wiped, so only a mapping made here is cleared.
    const bool created = ::GetLastError() != ERROR_ALREADY_EXISTS;
    MappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!view) return false;
    if (created) {
        const StatusRecord zero{};
        std::memcpy(view.get(), &zero, sizeof zero);
        if (!::FlushViewOfFile(view.get(), sizeof zero)) return false;
    }
    mapping_ = std::move(mapping);
    view_ = std::move(view);
    return true;
}

// Readers in other programs take no lock, so the record is written in one copy of all
// 36 bytes, never field by field.
bool SharedStatusRecord::PublishStatus(std::string_view utf8) {
    if (!view_) return false;
    const StatusRecord record = FormStatusRecord(utf8, codePage_);
    std::memcpy(view_.get(), &record, sizeof record);
    return ::FlushViewOfFile(view_.get(), sizeof record) != FALSE;
}

bool SharedStatusRecord::CloseStatusRecord() {
    mapping_.reset();
    void* view = view_.release();
    return view != nullptr && ::UnmapViewOfFile(view) != FALSE;
}

std::optional<std::string> StatusRecordReader::Field() {
    if (!view_) {
        mapping_.reset(::OpenFileMappingW(FILE_MAP_READ, FALSE, Utf8ToWide(name_).c_str()));
        if (mapping_) view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, sizeof(StatusRecord)));
        if (!view_) return std::nullopt;
    }
    return std::string(static_cast<const char*>(view_.get()) + offsetof(StatusRecord, status), kStatusTextBytes);
}

void StatusRecordReader::Close() {
    view_.reset();
    mapping_.reset();
}

std::string StatusRecordReader::Expected(std::string_view utf8) {
    const auto field = FormStatusField(utf8, AnsiCodePage());
    return std::string(field.data(), field.size());
}

std::string StatusRecordReader::Readable(const std::string& field) {
    const std::string text = AnsiCodePage().toUtf8(field);
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

}  // namespace tessarin
