// The embedded browser's container: one COM object that is the control's client site,
// in-place site and frame, all answering for the main window.
#include "ui/win32/browser_host.h"

#include <oleauto.h>

#include <atomic>
#include <utility>

namespace lumeno::win32 {

namespace {

// A BSTR owned for the length of a call.
class Bstr {
  public:
    explicit Bstr(const std::wstring& s)
        : s_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    ~Bstr() { SysFreeString(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    [[nodiscard]] BSTR Get() const { return s_; }

  private:
    BSTR s_;
};

// The container side of the control. It only has to say where the control lives (the main
// window, at the given rectangle) and accept whatever the control asks to do there; the
// browser is never seen, so menus, borders, help and status text are all declined.
class BrowserSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
  public:
    BrowserSite(HWND window, const RECT& rect) : window_(window), rect_(rect) {}

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* out) override {
        if (out == nullptr) return E_POINTER;
        *out = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  LPRECT position, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        if (frame) {
            *frame = this;
            AddRef();
        }
        if (document) *document = nullptr;
        if (position) *position = rect_;
        if (clip) *clip = rect_;
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = window_;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

    // IOleInPlaceFrame
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  private:
    ~BrowserSite() = default;  // only Release ends it

    std::atomic<ULONG> refs_{1};
    HWND window_;
    RECT rect_;
};

}  // namespace

bool EmbeddedBrowser::Open(HWND parent, const RECT& rect, const std::wstring& address) {
    Close();
    // The site's first reference is adopted here; the control takes its own ones.
    site_ = ComPtr<IOleClientSite>::Adopt(new BrowserSite(parent, rect));

    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                object_.PutVoid())) ||
        !object_ || FAILED(object_->SetClientSite(site_.Get()))) {
        Close();
        return false;
    }
    if (auto init = object_.As<IPersistStreamInit>(IID_IPersistStreamInit)) init->InitNew();
    OleSetContainedObject(object_.Get(), TRUE);
    RECT position = rect;
    if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent,
                               &position))) {
        Close();
        return false;
    }
    browser_ = object_.As<IWebBrowser2>(IID_IWebBrowser2);
    if (!browser_) {
        Close();
        return false;
    }
    browser_->put_Left(rect.left);
    browser_->put_Top(rect.top);
    browser_->put_Width(rect.right - rect.left);
    browser_->put_Height(rect.bottom - rect.top);
    browser_->put_Offline(VARIANT_FALSE);
    browser_->put_Silent(VARIANT_FALSE);

    // Loading runs on its own from here; its outcome is nobody's concern.
    const Bstr url(address.empty() ? std::wstring(L"about:blank") : address);
    VARIANT empty;
    VariantInit(&empty);
    browser_->Navigate(url.Get(), &empty, &empty, &empty, &empty);
    return true;
}

void EmbeddedBrowser::Close() {
    if (browser_) browser_->Stop();
    browser_.Reset();
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
        OleSetContainedObject(object_.Get(), FALSE);
    }
    object_.Reset();
    site_.Reset();
}

}  // namespace lumeno::win32
