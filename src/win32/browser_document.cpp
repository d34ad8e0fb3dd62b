#include "win32/browser_document.h"

#include <oleacc.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "win32/handles.h"
#include "win32/wide.h"

namespace tessarin {

namespace {

// IHTMLDocument, the interface the document window hands out.
constexpr IID kIidHtmlDocument{0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};
constexpr UINT kGetObjectTimeoutMs = 2000;

using Dispatch = std::shared_ptr<ComPtr<IDispatch>>;

Dispatch Share(IDispatch* adopted) {
    if (adopted == nullptr) return nullptr;
    return std::make_shared<ComPtr<IDispatch>>(adopted);
}

// Invokes a property get (no arguments) or a method; arguments in their natural order.
std::optional<VARIANT> Invoke(IDispatch* object, const wchar_t* name, WORD kind, std::vector<VARIANT> arguments = {}) {
    if (object == nullptr) return std::nullopt;
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return std::nullopt;
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    VARIANT result;
    VariantInit(&result);
    if (FAILED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, &result, nullptr, nullptr))) {
        return std::nullopt;
    }
    return result;
}

std::optional<VARIANT> Get(IDispatch* object, const wchar_t* name) {
    return Invoke(object, name, DISPATCH_PROPERTYGET);
}

// The value as text; a null or empty value is "". The variant is cleared.
std::optional<std::string> TextOf(std::optional<VARIANT> value) {
    if (!value) return std::nullopt;
    VARIANT text;
    VariantInit(&text);
    std::optional<std::string> result;
    if (value->vt == VT_NULL || value->vt == VT_EMPTY) {
        result = "";
    } else if (SUCCEEDED(VariantChangeType(&text, &*value, 0, VT_BSTR))) {
        result = WideToUtf8(std::wstring_view(text.bstrVal, SysStringLen(text.bstrVal)));
    }
    VariantClear(&text);
    VariantClear(&*value);
    return result;
}

// A number rounded to an integer as the platform converts (halves to even).
std::optional<int32_t> NumberOf(std::optional<VARIANT> value) {
    if (!value) return std::nullopt;
    VARIANT number;
    VariantInit(&number);
    std::optional<int32_t> result;
    if (SUCCEEDED(VariantChangeType(&number, &*value, 0, VT_I4))) result = number.lVal;
    VariantClear(&number);
    VariantClear(&*value);
    return result;
}

Dispatch ObjectOf(std::optional<VARIANT> value) {
    if (!value) return nullptr;
    IDispatch* object = nullptr;
    if (value->vt == VT_DISPATCH && value->pdispVal != nullptr) {
        object = value->pdispVal;
        object->AddRef();
    }
    VariantClear(&*value);
    return Share(object);
}

VARIANT Int(int32_t number) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = number;
    return v;
}

Dispatch Item(IDispatch* collection, int32_t index) {
    return ObjectOf(Invoke(collection, L"item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Int(index)}));
}

class DispatchElement final : public HtmlElement {
public:
    explicit DispatchElement(Dispatch object) : object_(std::move(object)) {}

    std::optional<std::string> tagName() const override { return TextOf(Get(raw(), L"tagName")); }
    std::optional<std::string> id() const override { return TextOf(Get(raw(), L"id")); }
    std::optional<std::string> name() const override { return TextOf(Get(raw(), L"name")); }
    std::optional<std::string> outerHtml() const override { return TextOf(Get(raw(), L"outerHTML")); }
    std::optional<std::string> innerHtml() const override { return TextOf(Get(raw(), L"innerHTML")); }
    std::shared_ptr<HtmlElement> parentElement() const override {
        Dispatch parent = ObjectOf(Get(raw(), L"parentElement"));
        return parent ? std::make_shared<DispatchElement>(std::move(parent)) : nullptr;
    }
    std::optional<std::string> attribute(const std::string& key) const override {
        const UniqueBstr wanted(SysAllocString(Utf8ToWide(key).c_str()));
        if (!wanted) return std::nullopt;
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = wanted.get();  // still owned by `wanted`
        return TextOf(Invoke(raw(), L"getAttribute", DISPATCH_METHOD, {argument}));
    }
    std::optional<Rect> boundingBox() const override {
        const Dispatch box = ObjectOf(Invoke(raw(), L"getBoundingClientRect", DISPATCH_METHOD));
        if (!box) return std::nullopt;
        const auto left = NumberOf(Get(box->get(), L"left"));
        const auto top = NumberOf(Get(box->get(), L"top"));
        const auto right = NumberOf(Get(box->get(), L"right"));
        const auto bottom = NumberOf(Get(box->get(), L"bottom"));
        if (!left || !top || !right || !bottom) return std::nullopt;
        return Rect{*left, *top, *right, *bottom};
    }

private:
    IDispatch* raw() const { return object_->get(); }
    Dispatch object_;
};

class DispatchDocument final : public HtmlDocument {
public:
    explicit DispatchDocument(Dispatch object) : object_(std::move(object)) {}

    std::shared_ptr<HtmlElement> elementFromPoint(int32_t x, int32_t y) const override {
        Dispatch element = ObjectOf(Invoke(raw(), L"elementFromPoint", DISPATCH_METHOD, {Int(x), Int(y)}));
        return element ? std::make_shared<DispatchElement>(std::move(element)) : nullptr;
    }
    std::optional<int32_t> frameCount() const override {
        const Dispatch frames = ObjectOf(Get(raw(), L"frames"));
        return frames ? NumberOf(Get(frames->get(), L"length")) : std::nullopt;
    }
    std::optional<std::string> frameName(int32_t index) const override {
        const Dispatch frame = Frame(index);
        return frame ? TextOf(Get(frame->get(), L"name")) : std::nullopt;
    }
    std::shared_ptr<HtmlDocument> frameDocument(int32_t index) const override {
        const Dispatch frame = Frame(index);
        if (!frame) return nullptr;
        Dispatch document = ObjectOf(Get(frame->get(), L"document"));
        return document ? std::make_shared<DispatchDocument>(std::move(document)) : nullptr;
    }
    std::optional<int32_t> styleSheetCount() const override {
        const Dispatch sheets = ObjectOf(Get(raw(), L"styleSheets"));
        return sheets ? NumberOf(Get(sheets->get(), L"length")) : std::nullopt;
    }
    std::optional<int32_t> ruleCount(int32_t sheet) const override {
        const Dispatch rules = Rules(sheet);
        return rules ? NumberOf(Get(rules->get(), L"length")) : std::nullopt;
    }
    std::optional<std::string> ruleSelector(int32_t sheet, int32_t rule) const override {
        const Dispatch found = Rule(sheet, rule);
        return found ? TextOf(Get(found->get(), L"selectorText")) : std::nullopt;
    }
    std::optional<std::string> ruleStyle(int32_t sheet, int32_t rule) const override {
        const Dispatch found = Rule(sheet, rule);
        if (!found) return std::nullopt;
        const Dispatch style = ObjectOf(Get(found->get(), L"style"));
        return style ? TextOf(Get(style->get(), L"cssText")) : std::nullopt;
    }

private:
    IDispatch* raw() const { return object_->get(); }
    Dispatch Frame(int32_t index) const {
        const Dispatch frames = ObjectOf(Get(raw(), L"frames"));
        return frames ? Item(frames->get(), index) : nullptr;
    }
    Dispatch Rules(int32_t sheet) const {
        const Dispatch sheets = ObjectOf(Get(raw(), L"styleSheets"));
        const Dispatch found = sheets ? Item(sheets->get(), sheet) : nullptr;
        return found ? ObjectOf(Get(found->get(), L"rules")) : nullptr;
    }
    Dispatch Rule(int32_t sheet, int32_t rule) const {
        const Dispatch rules = Rules(sheet);
        return rules ? Item(rules->get(), rule) : nullptr;
    }
    Dispatch object_;
};

}  // namespace

std::shared_ptr<HtmlDocument> DocumentOfDispatch(IDispatch* document) {
    if (document == nullptr) return nullptr;
    document->AddRef();
    return std::make_shared<DispatchDocument>(Share(document));
}

std::shared_ptr<HtmlDocument> DocumentOfWindow(HWND window) {
    const UINT message = RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
    DWORD_PTR answer = 0;
    if (message == 0 ||
        SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, kGetObjectTimeoutMs, &answer) == 0 ||
        answer == 0) {
        return nullptr;
    }
    ComPtr<IUnknown> document;
    if (FAILED(ObjectFromLresult(static_cast<LRESULT>(answer), kIidHtmlDocument, 0, document.putVoid()))) {
        return nullptr;
    }
    ComPtr<IDispatch> dispatch;
    if (FAILED(document->QueryInterface(IID_IDispatch, dispatch.putVoid()))) return nullptr;
    return std::make_shared<DispatchDocument>(Share(dispatch.release()));
}

std::shared_ptr<HtmlDocument> WinBrowserDocuments::documentOfWindow(WindowId window) {
    return DocumentOfWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)));
}

}  // namespace tessarin
