// Owners for what COM hands out (interface references, BSTRs, VARIANTs), a
// COM apartment held for as long as a document lives, and the mapping from
// HRESULTs to the DOM's statuses.
#pragma once

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <string>

#include "platform/dom.h"

namespace clipferry::platform::msxml {

// One counted reference to a COM object.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_ != nullptr) p_->AddRef();
    }
    ComPtr& operator=(const ComPtr& other) {
        if (other.p_ != nullptr) other.p_->AddRef();
        reset();
        p_ = other.p_;
        return *this;
    }

    // Takes over a reference the caller already holds.
    static ComPtr Adopt(T* p) {
        ComPtr held;
        held.p_ = p;
        return held;
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // For a call that hands out a new reference: whatever was held goes first.
    T** out() {
        reset();
        return &p_;
    }
    void** outVoid() { return reinterpret_cast<void**>(out()); }

    void reset() {
        if (p_ != nullptr) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    Bstr() = default;
    // Null when the text is null or there is no memory for it.
    explicit Bstr(const char16_t* text)
        : text_(text != nullptr ? SysAllocString(reinterpret_cast<const OLECHAR*>(text)) : nullptr) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return text_; }
    BSTR* out() {
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }
    std::u16string text() const {
        return text_ == nullptr ? std::u16string()
                                : std::u16string(reinterpret_cast<const char16_t*>(text_), SysStringLen(text_));
    }

private:
    BSTR text_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT& get() { return value_; }

    // Holds a reference of its own to the object.
    void SetObject(IUnknown* object) {
        VariantClear(&value_);
        if (object != nullptr) object->AddRef();
        V_VT(&value_) = VT_UNKNOWN;
        V_UNKNOWN(&value_) = object;
    }
    void SetInt(int32_t number) {
        VariantClear(&value_);
        V_VT(&value_) = VT_I4;
        V_I4(&value_) = number;
    }
    void SetBool(bool flag) {
        VariantClear(&value_);
        V_VT(&value_) = VT_BOOL;
        V_BOOL(&value_) = flag ? VARIANT_TRUE : VARIANT_FALSE;
    }

private:
    VARIANT value_;
};

// COM for the calling thread, for as long as the object lives: a
// single-threaded apartment, unless the thread already runs in another
// mode, which is then used as it is. The host may call from any thread, not
// only the one that loaded the module.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (result_ == S_OK || result_ == S_FALSE) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

inline DomStatus StatusOf(HRESULT result) {
    if (result == S_FALSE) return kDomNone;
    if (SUCCEEDED(result)) return kDomOk;
    if (result == E_INVALIDARG || result == E_POINTER) return kDomInvalidArg;
    if (result == E_OUTOFMEMORY) return kDomOutOfMemory;
    return kDomFail;
}

}  // namespace clipferry::platform::msxml
