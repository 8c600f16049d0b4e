#pragma once
// Reference-counted stand-ins with the shape of the platform's picture and stream interfaces.
// Apart from reference counting they do nothing: every method reports that it is not
// implemented (COPYTO and REVERT report success) and changes nothing.
#include <cstdint>

namespace gfx {

constexpr uint32_t OLE_S_OK = 0, OLE_E_NOTIMPL = 0x80004001u, OLE_E_NOINTERFACE = 0x80004002u;

class CIUNKNOWN2 {
public:
    virtual ~CIUNKNOWN2() = default;
    CIUNKNOWN2& INIT() {
        count_ = 1;
        return *this;
    }
    int32_t ADDREF() { return ++count_; }
    // The object's owner ends its life; the count only tells when nobody holds it any more.
    int32_t RELEASE() { return --count_; }
    uint32_t QUERYINTERFACE(const void* /*iid*/, void** out) {
        if (out) *out = nullptr;
        return OLE_E_NOINTERFACE;
    }
    int32_t references() const { return count_; }

private:
    int32_t count_ = 0;
};

class IPICTURE : public CIUNKNOWN2 {
public:
    uint32_t GET_ATTRIBUTES(void*) { return OLE_E_NOTIMPL; }
    uint32_t GET_CURDC(void*) { return OLE_E_NOTIMPL; }
    uint32_t GET_HANDLE(void*) { return OLE_E_NOTIMPL; }
    uint32_t GET_HEIGHT(void*) { return OLE_E_NOTIMPL; }
    uint32_t GET_HPAL(void*) { return OLE_E_NOTIMPL; }
    uint32_t GET_KEEPORIGINALFORMAT(void*) { return OLE_E_NOTIMPL; }
    uint32_t GET_TYPE(void*) { return OLE_E_NOTIMPL; }
    uint32_t GET_WIDTH(void*) { return OLE_E_NOTIMPL; }
    uint32_t PICTURECHANGED() { return OLE_E_NOTIMPL; }
    uint32_t PUT_KEEPORIGINALFORMAT(void*) { return OLE_E_NOTIMPL; }
    uint32_t RENDER(void*, void*, void*, void*, void*, void*, void*, void*, void*, void*) { return OLE_E_NOTIMPL; }
    uint32_t SAVEASFILE(void*, void*, void*) { return OLE_E_NOTIMPL; }
    uint32_t SELECTPICTURE(void*, void*, void*) { return OLE_E_NOTIMPL; }
    uint32_t SET_HPAL(void*) { return OLE_E_NOTIMPL; }
};

class ISTREAM : public CIUNKNOWN2 {
public:
    uint32_t CLONE(void*) { return OLE_E_NOTIMPL; }
    uint32_t COMMIT(void*) { return OLE_E_NOTIMPL; }
    uint32_t COPYTO(void*, void*, void*, void*) { return OLE_S_OK; }
    uint32_t LOCKREGION(void*, void*) { return OLE_E_NOTIMPL; }
    uint32_t READ(void*, void*, void*) { return OLE_E_NOTIMPL; }
    uint32_t REVERT() { return OLE_S_OK; }
    uint32_t SEEK(void*, void*, void*) { return OLE_E_NOTIMPL; }
    uint32_t SETSIZE(void*) { return OLE_E_NOTIMPL; }
    uint32_t STAT_(void*, void*) { return OLE_E_NOTIMPL; }
    uint32_t UNLOCKREGION(void*, void*) { return OLE_E_NOTIMPL; }
    uint32_t WRITE(void*, void*, void*) { return OLE_E_NOTIMPL; }
};

}  // namespace gfx
