// d3d9_query.cpp -- IDirect3DQuery9 of type D3DQUERYTYPE_EVENT on a GL fence
//
// A Direct3D 9 program finishes a frame by issuing an event query after its last draw and
// asking it until it answers S_OK. On a driver that draws only when something waits (llvmpipe
// among them), that wait is what makes the frame happen: the fence is set at Issue, and a
// GetData with D3DGETDATA_FLUSH flushes the commands before it looks.
//
// Testing failure name: "IDirect3DDevice9::CreateQuery".
#include "platform/d3d9/d3d9_device.h"
#include "platform/services/hooks.h"

using platform_hooks::ShouldFail;

namespace d3d9impl {

namespace {
constexpr GLuint64 kFlushWaitNs = 1000000;
}  // namespace

HRESULT Device::CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** out) {
  // Only the event query is implemented: the others are refused, as a device that lacks them
  // refuses them, even to a program that only asks whether they are there (a null out).
  if (type != D3DQUERYTYPE_EVENT) return D3DERR_NOTAVAILABLE;
  if (!out) return D3D_OK;
  *out = nullptr;
  if (ShouldFail("IDirect3DDevice9::CreateQuery")) return E_OUTOFMEMORY;
  *out = new Query(this);
  return D3D_OK;
}

Query::~Query() {
  if (!fence_) return;
  device()->makeCurrent();
  glDeleteSync(fence_);
}

HRESULT Query::QueryInterface(REFIID, void** ppvObj) {
  if (ppvObj) *ppvObj = nullptr;
  return E_NOINTERFACE;
}

HRESULT Query::GetDevice(IDirect3DDevice9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  device()->AddRef();
  *out = device();
  return D3D_OK;
}

HRESULT Query::Issue(DWORD flags) {
  // An event has an end only: D3DISSUE_BEGIN is refused, as Direct3D refuses it.
  if (flags != D3DISSUE_END) return D3DERR_INVALIDCALL;
  device()->makeCurrent();
  if (fence_) glDeleteSync(fence_);
  fence_ = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  return fence_ ? D3D_OK : D3DERR_DRIVERINTERNALERROR;
}

HRESULT Query::GetData(void* data, DWORD size, DWORD flags) {
  if (data && size != 0 && size < sizeof(BOOL)) return D3DERR_INVALIDCALL;
  if (fence_) {
    device()->makeCurrent();
    // Asked with a flush, the driver waits up to a millisecond before answering "not yet": a
    // program's loop on GetData then sleeps in the driver instead of spinning, and leaves the
    // cores to a renderer that draws on the CPU.
    const GLuint64 waitNs = (flags & D3DGETDATA_FLUSH) ? kFlushWaitNs : 0;
    GLenum state = glClientWaitSync(fence_, (flags & D3DGETDATA_FLUSH) ? GL_SYNC_FLUSH_COMMANDS_BIT : 0, waitNs);
    if (state == GL_WAIT_FAILED) return D3DERR_DEVICELOST;
    if (state == GL_TIMEOUT_EXPIRED) return S_FALSE;
    glDeleteSync(fence_);
    fence_ = nullptr;
  }
  // Finished, or never issued: Direct3D answers an event that was never issued as done.
  if (data && size >= sizeof(BOOL)) *static_cast<BOOL*>(data) = TRUE;
  return S_OK;
}

}  // namespace d3d9impl
