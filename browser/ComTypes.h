#pragma once
// The few COM types the document event sink and its sources need, shaped
// as on Windows so that the sink reads as it would there.
#include <cstdint>
#include <string>

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using DISPID = std::int32_t;
using LCID = std::uint32_t;
using WORD = std::uint16_t;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = static_cast<HRESULT>(0x80040202);

inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

inline constexpr WORD DISPATCH_METHOD = 1;
inline constexpr WORD DISPATCH_PROPERTYGET = 2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 4;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
    friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using REFIID = const IID&;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; a text of another shape gives GUID_NULL.
GUID GuidFromString(const char* text);
std::string GuidToString(const GUID& guid);

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IConnectionPoint = {0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IHTMLDocument2 = {0x332C4425, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
inline constexpr IID DIID_HTMLDocumentEvents = {
    0x3050F260, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};

// The variant kinds the sink and its sources exchange.
struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    VARIANT_BOOL boolVal = VARIANT_FALSE;
    std::int32_t lVal = 0;
    std::u16string bstrVal;
};
using VARIANTARG = VARIANT;

struct DISPPARAMS {
    VARIANTARG* rgvarg = nullptr;
    DISPID* rgdispidNamedArgs = nullptr;
    unsigned cArgs = 0;
    unsigned cNamedArgs = 0;
};

struct EXCEPINFO {
    WORD wCode = 0;
    std::u16string bstrSource;
    std::u16string bstrDescription;
    HRESULT scode = S_OK;
};

struct ITypeInfo;

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(unsigned* count) = 0;
    virtual HRESULT GetTypeInfo(unsigned index, LCID locale, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID iid, const char16_t** names, unsigned count, LCID locale, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excepInfo, unsigned* argErr) = 0;

protected:
    ~IDispatch() = default;
};

struct IConnectionPoint : IUnknown {
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;

protected:
    ~IConnectionPoint() = default;
};

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;

protected:
    ~IConnectionPointContainer() = default;
};

// A counted reference: AddRef when taken, Release when dropped.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr& operator=(const ComPtr& other)
    {
        ComPtr copy(other);
        std::swap(p_, copy.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }
    // Takes over a reference that a QueryInterface or Find call handed out.
    static ComPtr Attach(T* p)
    {
        ComPtr result;
        result.p_ = p;
        return result;
    }
    void Reset()
    {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};
