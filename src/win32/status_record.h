#pragma once
// The status record in a named mapping backed by the paging file, shared with any program
// that opens the same name.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/ports/status.h"
#include "win32/codepage.h"
#include "win32/handles.h"

namespace tessarin {

class SharedStatusRecord : public StatusPublisher {
public:
    SharedStatusRecord() = default;
    SharedStatusRecord(const SharedStatusRecord&) = delete;
    SharedStatusRecord& operator=(const SharedStatusRecord&) = delete;
    ~SharedStatusRecord() override = default;

    // Opens the mapping of that name, or creates it as 36 zero bytes.
    [[nodiscard]] bool OpenStatusRecord(const std::string& name) override;
    bool PublishStatus(std::string_view utf8) override;
    // Releases view and handle; false when nothing was open.
    bool CloseStatusRecord() override;
    [[nodiscard]] bool isOpen() const noexcept { return view_.valid(); }

private:
    AnsiCodePage codePage_;
    UniqueHandle mapping_;
    MappedView view_;  // declared after the mapping: unmapped first
};

// The status text as another program reads it from the record of that name.
class StatusRecordReader {
public:
    explicit StatusRecordReader(std::string name) : name_(std::move(name)) {}
    // The status field's bytes (code page, blank-padded); nothing while no program holds the record.
    [[nodiscard]] std::optional<std::string> Field();
    void Close();
    // The field a UTF-8 text gives.
    [[nodiscard]] static std::string Expected(std::string_view utf8);
    // A field as UTF-8 text without its trailing blanks.
    [[nodiscard]] static std::string Readable(const std::string& field);

private:
    std::string name_;
    UniqueHandle mapping_;
    MappedView view_;  // after the mapping: unmapped first
};

}  // namespace tessarin
