// Owners for Windows handles inside functions: every early return is
// leak-free. Copying is deleted; moving hands the handle on.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <utility>

template <typename T, typename Traits>
class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(T value) : value_(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(std::exchange(other.value_, Traits::invalid())) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.value_, Traits::invalid()));
        }
        return *this;
    }

    T get() const { return value_; }
    T* put() {  // for out-parameters: releases what is held first
        reset();
        return &value_;
    }
    T release() { return std::exchange(value_, Traits::invalid()); }
    void reset(T value = Traits::invalid()) {
        if (Traits::valid(value_)) {
            Traits::close(value_);
        }
        value_ = value;
    }
    explicit operator bool() const { return Traits::valid(value_); }

private:
    T value_ = Traits::invalid();
};

struct HandleTraits {
    static HANDLE invalid() { return nullptr; }
    static bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
using UniqueHandle = UniqueResource<HANDLE, HandleTraits>;

struct HeapBlockTraits {
    static void* invalid() { return nullptr; }
    static bool valid(void* p) { return p != nullptr; }
    static void close(void* p) { HeapFree(GetProcessHeap(), 0, p); }
};
using UniqueHeapBlock = UniqueResource<void*, HeapBlockTraits>;

struct CryptProvTraits {
    static HCRYPTPROV invalid() { return 0; }
    static bool valid(HCRYPTPROV p) { return p != 0; }
    static void close(HCRYPTPROV p) { CryptReleaseContext(p, 0); }
};
using UniqueCryptProv = UniqueResource<HCRYPTPROV, CryptProvTraits>;

struct CryptHashTraits {
    static HCRYPTHASH invalid() { return 0; }
    static bool valid(HCRYPTHASH h) { return h != 0; }
    static void close(HCRYPTHASH h) { CryptDestroyHash(h); }
};
using UniqueCryptHash = UniqueResource<HCRYPTHASH, CryptHashTraits>;

struct CryptKeyTraits {
    static HCRYPTKEY invalid() { return 0; }
    static bool valid(HCRYPTKEY k) { return k != 0; }
    static void close(HCRYPTKEY k) { CryptDestroyKey(k); }
};
using UniqueCryptKey = UniqueResource<HCRYPTKEY, CryptKeyTraits>;

template <typename T>
struct GdiTraits {
    static T invalid() { return nullptr; }
    static bool valid(T h) { return h != nullptr; }
    static void close(T h) { DeleteObject(h); }
};
template <typename T>
using UniqueGdi = UniqueResource<T, GdiTraits<T>>;

struct ModuleTraits {
    static HMODULE invalid() { return nullptr; }
    static bool valid(HMODULE h) { return h != nullptr; }
    static void close(HMODULE h) { FreeLibrary(h); }
};
using UniqueModule = UniqueResource<HMODULE, ModuleTraits>;

// An owned COM interface pointer: released when it goes, or before put()
// hands out its address for a new one.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** put() {
        reset();
        return &p_;
    }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) {
            p_->Release();
            p_ = nullptr;
        }
    }

private:
    T* p_ = nullptr;
};

// Selects an object into a device context for the scope, then puts the old one back.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectScope() {
        if (old_) {
            SelectObject(dc_, old_);
        }
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

#include "base/poison.h"
