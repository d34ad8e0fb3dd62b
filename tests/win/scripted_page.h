#pragma once
// A page that answers through IDispatch as MSHTML does, for the document adapter's tests and
// for the peer process that shows it in a document window of its own.

#include <windows.h>
// These build on windows.h.
#include <oaidl.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "win32/handles.h"

namespace tessarin::test {

inline constexpr IID kIidHtmlDocument{0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};

// An object whose members are answered by functions: property gets and method calls alike get
// the arguments (in call order) and fill the result.
class Scripted final : public IDispatch {
public:
    using Member = std::function<HRESULT(const std::vector<VARIANT>&, VARIANT*)>;
    void Add(std::wstring name, Member member) { members_.emplace_back(std::move(name), std::move(member)); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        const bool known =
            IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidHtmlDocument);
        *out = known ? static_cast<IDispatch*>(this) : nullptr;
        if (known) AddRef();
        return known ? S_OK : E_NOINTERFACE;
    }
    // Atomic: the document adapter calls the page from a thread of its own.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        for (std::size_t i = 0; i < members_.size(); ++i)
            if (_wcsicmp(members_[i].first.c_str(), names[0]) == 0) return ids[0] = static_cast<DISPID>(i + 1), S_OK;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (id < 1 || id > static_cast<DISPID>(members_.size())) return DISP_E_MEMBERNOTFOUND;
        std::vector<VARIANT> arguments(parameters->rgvarg, parameters->rgvarg + parameters->cArgs);
        std::reverse(arguments.begin(), arguments.end());
        return members_[id - 1].second(arguments, result);
    }

    [[nodiscard]] ULONG References() const { return references_; }

private:
    std::atomic<ULONG> references_ = 1;
    std::vector<std::pair<std::wstring, Member>> members_;
};

inline Scripted::Member Text(std::wstring text) {
    return [text = std::move(text)](const std::vector<VARIANT>&, VARIANT* result) {
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(text.c_str());
        return S_OK;
    };
}
inline Scripted::Member Number(double value) {
    return [value](const std::vector<VARIANT>&, VARIANT* result) {
        result->vt = VT_R8;
        result->dblVal = value;
        return S_OK;
    };
}
// Hands out a new reference each time; no object is VT_NULL.
inline Scripted::Member Object(Scripted* object) {
    return [object](const std::vector<VARIANT>&, VARIANT* result) {
        result->vt = object != nullptr ? VT_DISPATCH : VT_NULL;
        result->pdispVal = object;
        if (object != nullptr) object->AddRef();
        return S_OK;
    };
}

// A page with one IMG at (10.5, 20) .. (30, 40) under a DIV whose content holds a pop-up link
// span, one style sheet whose rule gives the link's image, and no frames. Every object lives
// as long as the page.
struct ScriptedPage {
    std::vector<ComPtr<Scripted>> objects;
    Scripted* document = Make();
    std::vector<std::pair<long, long>> asked;  // the points elementFromPoint was asked about

    Scripted* Make() { return objects.emplace_back(new Scripted).get(); }
    explicit ScriptedPage(std::wstring source = L"http://h/写真.jpg") {
        Scripted *image = Make(), *division = Make(), *box = Make(), *frames = Make(), *sheets = Make();
        Scripted *sheet = Make(), *rules = Make(), *rule = Make(), *style = Make();
        image->Add(L"tagName", Text(L"IMG"));
        image->Add(L"id", Text(L""));
        image->Add(L"name", Text(L"photo"));
        image->Add(L"outerHTML", Text(L"<IMG src=\"http://h/a.jpg\">"));
        image->Add(L"innerHTML", Text(L""));
        image->Add(L"parentElement", Object(division));
        image->Add(L"getAttribute", [source](const std::vector<VARIANT>& arguments, VARIANT* result) {
            const bool src =
                arguments.size() == 1 && arguments[0].vt == VT_BSTR && std::wstring(arguments[0].bstrVal) == L"src";
            return src ? Text(source)(arguments, result) : Object(nullptr)(arguments, result);
        });
        image->Add(L"getBoundingClientRect", Object(box));
        division->Add(L"innerHTML", Text(L"<SPAN class=pop>photo</SPAN>"));
        division->Add(L"parentElement", Object(nullptr));
        for (const auto& [side, value] :
             {std::pair{L"left", 10.5}, {L"top", 20.0}, {L"right", 30.0}, {L"bottom", 40.0}})
            box->Add(side, Number(value));
        document->Add(L"elementFromPoint", [this, image](const std::vector<VARIANT>& arguments, VARIANT* result) {
            asked.emplace_back(arguments.at(0).lVal, arguments.at(1).lVal);
            return Object(image)(arguments, result);
        });
        document->Add(L"frames", Object(frames));
        frames->Add(L"length", Number(0));
        document->Add(L"styleSheets", Object(sheets));
        sheets->Add(L"length", Number(1));
        sheets->Add(L"item", Object(sheet));
        sheet->Add(L"rules", Object(rules));
        rules->Add(L"length", Number(1));
        rules->Add(L"item", Object(rule));
        rule->Add(L"selectorText", Text(L".POP:hover"));
        rule->Add(L"style", Object(style));
        style->Add(L"cssText", Text(L"BACKGROUND: url(http://h/big.jpg)"));
    }
};

}  // namespace tessarin::test
