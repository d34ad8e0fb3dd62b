#include "win32/browser_document.h"

#include <oleacc.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "win32/deadline.h"
#include "win32/handles.h"
#include "win32/wide.h"

namespace tessarin {

namespace {

// IHTMLDocument, the interface the document window hands out.
constexpr IID kIidHtmlDocument{0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};
constexpr UINT kGetObjectTimeoutMs = 2000;

// ---- Calls into the page's objects, made on the page's thread -------------------------------

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

ComPtr<IDispatch> ObjectOf(std::optional<VARIANT> value) {
    ComPtr<IDispatch> object;
    if (!value) return object;
    if (value->vt == VT_DISPATCH && value->pdispVal != nullptr) {
        value->pdispVal->AddRef();
        object.reset(value->pdispVal);
    }
    VariantClear(&*value);
    return object;
}

VARIANT Int(int32_t number) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = number;
    return v;
}

ComPtr<IDispatch> Item(IDispatch* collection, int32_t index) {
    return ObjectOf(Invoke(collection, L"item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Int(index)}));
}

ComPtr<IDispatch> Frame(IDispatch* document, int32_t index) {
    const ComPtr<IDispatch> frames = ObjectOf(Get(document, L"frames"));
    return Item(frames.get(), index);
}

ComPtr<IDispatch> Rules(IDispatch* document, int32_t sheet) {
    const ComPtr<IDispatch> sheets = ObjectOf(Get(document, L"styleSheets"));
    const ComPtr<IDispatch> found = Item(sheets.get(), sheet);
    return ObjectOf(Get(found.get(), L"rules"));
}

ComPtr<IDispatch> Rule(IDispatch* document, int32_t sheet, int32_t rule) {
    const ComPtr<IDispatch> rules = Rules(document, sheet);
    return Item(rules.get(), rule);
}

// ---- The page's thread ---------------------------------------------------------------------

// The page's objects, by number, held by the page's thread; 0 is none.
using Objects = std::vector<ComPtr<IDispatch>>;

size_t Keep(Objects& objects, ComPtr<IDispatch> object) {
    if (!object) return 0;
    objects.push_back(std::move(object));
    return objects.size() - 1;
}

// What the page's thread and its callers share: the calls waiting, and the sign that the
// page's objects are released.
struct PageState {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void(Objects&)>> calls;
    bool stopping = false;  // no caller holds the page any more
    UniqueHandle released{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// Joins the multithreaded apartment, in which the objects of another program's page can be called
// from any of its threads, and makes the page's calls one after another; at the end it releases
// the page's objects there.
void Serve(const std::shared_ptr<PageState>& state) noexcept {
    const CoInit com(COINIT_MULTITHREADED);
    Objects objects(1);
    {
        std::unique_lock lock(state->mutex);
        for (;;) {
            state->wake.wait(lock, [&] { return state->stopping || !state->calls.empty(); });
            if (state->calls.empty()) break;
            std::function<void(Objects&)> call = std::move(state->calls.front());
            state->calls.pop_front();
            lock.unlock();
            try {
                call(objects);
            } catch (...) {
                ::OutputDebugStringA("Tessarin: a call into a page failed\n");
            }
            lock.lock();
        }
    }
    objects.clear();
    SetEvent(state->released.get());
}

// A page whose objects live in another program, which may stop answering (a script that loops
// after its first answer): every call into them runs on the page's own thread, and the caller waits
// for it with a time limit. A call that runs out of time gives the whole page up: its thread is
// left to finish (or hang) alone, and every later call answers nothing at once.
class Page {
public:
    explicit Page(uint32_t limitMs) : state_(std::make_shared<PageState>()), limitMs_(limitMs) {
        if (!state_->released) return;
        try {
            std::thread([state = state_] { Serve(state); }).detach();
            started_ = true;
        } catch (const std::system_error&) {
            // Every call answers nothing.
        }
    }
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;
    // The objects are released on the page's thread before this returns, unless the page hangs.
    ~Page() {
        {
            const std::lock_guard lock(state_->mutex);
            state_->stopping = true;
        }
        state_->wake.notify_one();
        if (started_ && !gaveUp_)
            (void)AwaitCall(state_->released.get(), Until(GetTickCount64() + limitMs_), WhileWaiting::AnswerSent);
    }

    // The call's answer, or `none` when the page was given up or the call ran out of time.
    template <typename T>
    T Call(std::function<T(Objects&)> call, T none = T{}) {
        if (!started_ || gaveUp_) return none;
        struct Pending {
            UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
            std::optional<T> answer;
        };
        const auto pending = std::make_shared<Pending>();
        if (!pending->done) return none;
        Post([pending, call = std::move(call)](Objects& objects) {
            try {
                pending->answer = call(objects);
            } catch (...) {
                // Answered with nothing.
            }
            SetEvent(pending->done.get());
        });
        // Messages sent to this thread are answered meanwhile: the page may ask one of our windows.
        if (!AwaitCall(pending->done.get(), Until(GetTickCount64() + limitMs_), WhileWaiting::AnswerSent)) {
            gaveUp_ = true;
            return none;
        }
        return pending->answer ? std::move(*pending->answer) : none;
    }
    // Lets go of one object, without waiting.
    void Release(size_t object) {
        Post([object](Objects& objects) {
            if (object < objects.size()) objects[object].reset();
        });
    }

private:
    void Post(std::function<void(Objects&)> call) {
        {
            const std::lock_guard lock(state_->mutex);
            state_->calls.push_back(std::move(call));
        }
        state_->wake.notify_one();
    }

    std::shared_ptr<PageState> state_;
    uint32_t limitMs_;
    bool started_ = false;
    bool gaveUp_ = false;  // only the calling thread reads and writes it
};

// One object of the page, released on the page's thread when the last holder lets go of it.
class PageObject {
public:
    PageObject(std::shared_ptr<Page> page, size_t object) : page_(std::move(page)), object_(object) {}
    PageObject(const PageObject&) = delete;
    PageObject& operator=(const PageObject&) = delete;
    ~PageObject() { page_->Release(object_); }

    // A call on the object itself.
    template <typename T>
    T Call(std::function<T(IDispatch*)> call, T none = T{}) const {
        return page_->Call<T>(
            [object = object_, call = std::move(call)](Objects& objects) { return call(objects[object].get()); },
            std::move(none));
    }
    // Another object reached from this one, kept on the page's thread; null for none.
    [[nodiscard]] std::shared_ptr<PageObject> Reach(std::function<ComPtr<IDispatch>(IDispatch*)> reach) const {
        const size_t found = page_->Call<size_t>([object = object_, reach = std::move(reach)](Objects& objects) {
            return Keep(objects, reach(objects[object].get()));
        });
        return found != 0 ? std::make_shared<PageObject>(page_, found) : nullptr;
    }

private:
    std::shared_ptr<Page> page_;
    size_t object_;
};

using Object = std::shared_ptr<PageObject>;

std::optional<std::string> TextProperty(const PageObject& object, const wchar_t* name) {
    return object.Call<std::optional<std::string>>([name](IDispatch* o) { return TextOf(Get(o, name)); });
}

class DispatchElement final : public HtmlElement {
public:
    explicit DispatchElement(Object object) : object_(std::move(object)) {}

    std::optional<std::string> tagName() const override { return TextProperty(*object_, L"tagName"); }
    std::optional<std::string> id() const override { return TextProperty(*object_, L"id"); }
    std::optional<std::string> name() const override { return TextProperty(*object_, L"name"); }
    std::optional<std::string> outerHtml() const override { return TextProperty(*object_, L"outerHTML"); }
    std::optional<std::string> innerHtml() const override { return TextProperty(*object_, L"innerHTML"); }
    std::shared_ptr<HtmlElement> parentElement() const override {
        Object parent = object_->Reach([](IDispatch* o) { return ObjectOf(Get(o, L"parentElement")); });
        return parent ? std::make_shared<DispatchElement>(std::move(parent)) : nullptr;
    }
    std::optional<std::string> attribute(const std::string& key) const override {
        return object_->Call<std::optional<std::string>>([wide = Utf8ToWide(key)](IDispatch* o) {
            const UniqueBstr wanted(SysAllocString(wide.c_str()));
            if (!wanted) return std::optional<std::string>();
            VARIANT argument;
            VariantInit(&argument);
            argument.vt = VT_BSTR;
            argument.bstrVal = wanted.get();  // still owned by `wanted`
            return TextOf(Invoke(o, L"getAttribute", DISPATCH_METHOD, {argument}));
        });
    }
    std::optional<Rect> boundingBox() const override {
        return object_->Call<std::optional<Rect>>([](IDispatch* o) -> std::optional<Rect> {
            const ComPtr<IDispatch> box = ObjectOf(Invoke(o, L"getBoundingClientRect", DISPATCH_METHOD));
            if (!box) return std::nullopt;
            const auto left = NumberOf(Get(box.get(), L"left"));
            const auto top = NumberOf(Get(box.get(), L"top"));
            const auto right = NumberOf(Get(box.get(), L"right"));
            const auto bottom = NumberOf(Get(box.get(), L"bottom"));
            if (!left || !top || !right || !bottom) return std::nullopt;
            return Rect{*left, *top, *right, *bottom};
        });
    }

private:
    Object object_;
};

class DispatchDocument final : public HtmlDocument {
public:
    explicit DispatchDocument(Object object) : object_(std::move(object)) {}

    std::shared_ptr<HtmlElement> elementFromPoint(int32_t x, int32_t y) const override {
        Object element = object_->Reach([x, y](IDispatch* o) {
            return ObjectOf(Invoke(o, L"elementFromPoint", DISPATCH_METHOD, {Int(x), Int(y)}));
        });
        return element ? std::make_shared<DispatchElement>(std::move(element)) : nullptr;
    }
    std::optional<int32_t> frameCount() const override {
        return object_->Call<std::optional<int32_t>>([](IDispatch* o) -> std::optional<int32_t> {
            const ComPtr<IDispatch> frames = ObjectOf(Get(o, L"frames"));
            return frames ? NumberOf(Get(frames.get(), L"length")) : std::nullopt;
        });
    }
    std::optional<std::string> frameName(int32_t index) const override {
        return object_->Call<std::optional<std::string>>([index](IDispatch* o) -> std::optional<std::string> {
            const ComPtr<IDispatch> frame = Frame(o, index);
            return frame ? TextOf(Get(frame.get(), L"name")) : std::nullopt;
        });
    }
    std::shared_ptr<HtmlDocument> frameDocument(int32_t index) const override {
        Object document = object_->Reach([index](IDispatch* o) {
            const ComPtr<IDispatch> frame = Frame(o, index);
            return frame ? ObjectOf(Get(frame.get(), L"document")) : ComPtr<IDispatch>();
        });
        return document ? std::make_shared<DispatchDocument>(std::move(document)) : nullptr;
    }
    std::optional<int32_t> styleSheetCount() const override {
        return object_->Call<std::optional<int32_t>>([](IDispatch* o) -> std::optional<int32_t> {
            const ComPtr<IDispatch> sheets = ObjectOf(Get(o, L"styleSheets"));
            return sheets ? NumberOf(Get(sheets.get(), L"length")) : std::nullopt;
        });
    }
    std::optional<int32_t> ruleCount(int32_t sheet) const override {
        return object_->Call<std::optional<int32_t>>([sheet](IDispatch* o) -> std::optional<int32_t> {
            const ComPtr<IDispatch> rules = Rules(o, sheet);
            return rules ? NumberOf(Get(rules.get(), L"length")) : std::nullopt;
        });
    }
    std::optional<std::string> ruleSelector(int32_t sheet, int32_t rule) const override {
        return object_->Call<std::optional<std::string>>([sheet, rule](IDispatch* o) -> std::optional<std::string> {
            const ComPtr<IDispatch> found = Rule(o, sheet, rule);
            return found ? TextOf(Get(found.get(), L"selectorText")) : std::nullopt;
        });
    }
    std::optional<std::string> ruleStyle(int32_t sheet, int32_t rule) const override {
        return object_->Call<std::optional<std::string>>([sheet, rule](IDispatch* o) -> std::optional<std::string> {
            const ComPtr<IDispatch> found = Rule(o, sheet, rule);
            const ComPtr<IDispatch> style = found ? ObjectOf(Get(found.get(), L"style")) : ComPtr<IDispatch>();
            return style ? TextOf(Get(style.get(), L"cssText")) : std::nullopt;
        });
    }

private:
    Object object_;
};

// The document the first call of a new page finds, on the page's thread.
std::shared_ptr<HtmlDocument> DocumentOfPage(uint32_t limitMs, std::function<ComPtr<IDispatch>()> find) {
    const auto page = std::make_shared<Page>(limitMs);
    const size_t document =
        page->Call<size_t>([find = std::move(find)](Objects& objects) { return Keep(objects, find()); });
    if (document == 0) return nullptr;
    return std::make_shared<DispatchDocument>(std::make_shared<PageObject>(page, document));
}

}  // namespace

std::shared_ptr<HtmlDocument> DocumentOfDispatch(IDispatch* document, uint32_t limitMs) {
    if (document == nullptr) return nullptr;
    document->AddRef();
    ComPtr<IDispatch> handed(document);
    return DocumentOfPage(limitMs, [handed = std::make_shared<ComPtr<IDispatch>>(std::move(handed))] {
        return ComPtr<IDispatch>(handed->release());
    });
}

std::shared_ptr<HtmlDocument> DocumentOfWindow(HWND window, uint32_t limitMs) {
    return DocumentOfPage(limitMs, [window] {
        ComPtr<IDispatch> dispatch;
        const UINT message = RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
        DWORD_PTR answer = 0;
        if (message == 0 ||
            SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, kGetObjectTimeoutMs, &answer) == 0 ||
            answer == 0) {
            return dispatch;
        }
        ComPtr<IUnknown> document;
        if (FAILED(ObjectFromLresult(static_cast<LRESULT>(answer), kIidHtmlDocument, 0, document.putVoid()))) {
            return dispatch;
        }
        (void)document->QueryInterface(IID_IDispatch, dispatch.putVoid());
        return dispatch;
    });
}

std::shared_ptr<HtmlDocument> WinBrowserDocuments::documentOfWindow(WindowId window) {
    return DocumentOfWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)));
}

}  // namespace tessarin
