// texture_file.cpp -- D3DXCreateTextureFromFileA (PNG through the platform's codec) and D3DXCreateTexture
#include <d3dx9tex.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/services/file_read.h"
#include "platform/services/png_codec.h"

namespace {

// The device's largest texture, in either direction (Device::CreateTexture refuses more).
constexpr uint32_t kMaxTextureSize = 16384;
// A PNG larger than this is not read: 16384 x 16384 compresses to far less.
constexpr size_t kMaxFileBytes = 256u << 20;
// Rows gathered per level before they go to the texture in one lock.
constexpr UINT kStripRows = 64;

HRESULT Refuse(const char* path, const char* what, const char* detail, HRESULT hr) {
  std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: %s%s\n", path, what, detail);
  return hr;
}

// The decoded rows go straight into the texture, and each mip level is made from the level
// above it as that level's rows arrive: every texel the rounded mean of the (up to) 2 x 2
// texels above it. Only a strip of rows per level is held outside the texture, so a picture
// of the largest size costs its texture and little more.
class TextureRows : public platform_png::RowSink {
 public:
  TextureRows(IDirect3DDevice9* device, const char* path) : device_(device), path_(path) {}
  ~TextureRows() override {
    if (texture_) texture_->Release();
  }

  bool Header(uint32_t width, uint32_t height) override {
    hr_ = device_->CreateTexture(width, height, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture_, nullptr);
    if (FAILED(hr_)) {
      texture_ = nullptr;
      std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: the device refused a %ux%u texture\n", path_, width,
                   height);
      return false;
    }
    try {
      levels_.resize(texture_->GetLevelCount());
      for (UINT i = 0; i < levels_.size(); ++i) {
        Level& level = levels_[i];
        level.width = i == 0 ? width : std::max(levels_[i - 1].width / 2, 1u);
        level.height = i == 0 ? height : std::max(levels_[i - 1].height / 2, 1u);
        level.strip.resize(static_cast<size_t>(level.width) * 4 * std::min(kStripRows, level.height));
        if (i + 1 < levels_.size()) level.above.resize(static_cast<size_t>(level.width) * 4);
        level.made.resize(static_cast<size_t>(level.width) * 4);
      }
    } catch (const std::bad_alloc&) {
      hr_ = Refuse(path_, "no memory for the texture", "", E_OUTOFMEMORY);
      return false;
    }
    return true;
  }

  bool Row(uint32_t y, const uint8_t* pixels) override { return Push(0, y, pixels); }

  HRESULT Result() const { return hr_; }
  IDirect3DTexture9* Take() {
    IDirect3DTexture9* texture = texture_;
    texture_ = nullptr;
    return texture;
  }

 private:
  struct Level {
    UINT width = 0, height = 0;
    std::vector<uint8_t> strip;  // rows [stripStart, stripStart + stripRows) of this level
    UINT stripStart = 0, stripRows = 0;
    std::vector<uint8_t> above;  // the even row waiting for its odd partner
    std::vector<uint8_t> made;   // a row of this level made from the level above
  };

  bool Push(UINT index, UINT y, const uint8_t* row) {
    Level& level = levels_[index];
    const size_t rowBytes = static_cast<size_t>(level.width) * 4;
    std::memcpy(level.strip.data() + rowBytes * level.stripRows, row, rowBytes);
    ++level.stripRows;
    if ((level.stripRows * rowBytes == level.strip.size() || y + 1 == level.height) && !Flush(index)) return false;
    if (index + 1 == levels_.size()) return true;
    // Row j of the next level is made from rows 2j and 2j + 1 (row 0 twice for a one-row level);
    // the last row of an odd height has no partner and shapes no texel below.
    Level& next = levels_[index + 1];
    if (level.height == 1) return Reduce(index, row, row, y);
    if (y % 2 == 0) {
      std::memcpy(level.above.data(), row, rowBytes);
      return true;
    }
    return y / 2 < next.height ? Reduce(index, level.above.data(), row, y / 2) : true;
  }

  bool Reduce(UINT index, const uint8_t* a, const uint8_t* b, UINT nextY) {
    const Level& level = levels_[index];
    Level& next = levels_[index + 1];
    for (UINT x = 0; x < next.width; ++x) {
      UINT x0 = std::min(x * 2, level.width - 1), x1 = std::min(x0 + 1, level.width - 1);
      for (int c = 0; c < 4; ++c) {
        unsigned sum = a[x0 * 4 + c] + a[x1 * 4 + c] + b[x0 * 4 + c] + b[x1 * 4 + c];
        next.made[x * 4 + c] = static_cast<uint8_t>((sum + 2) / 4);
      }
    }
    return Push(index + 1, nextY, next.made.data());
  }

  // The strip's rows go into the texture through one lock of just their rectangle.
  bool Flush(UINT index) {
    Level& level = levels_[index];
    RECT rect{0, static_cast<LONG>(level.stripStart), static_cast<LONG>(level.width),
              static_cast<LONG>(level.stripStart + level.stripRows)};
    D3DLOCKED_RECT locked;
    hr_ = texture_->LockRect(index, &locked, &rect, 0);
    if (FAILED(hr_)) return false;
    const size_t rowBytes = static_cast<size_t>(level.width) * 4;
    for (UINT r = 0; r < level.stripRows; ++r)
      std::memcpy(static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(r) * locked.Pitch,
                  level.strip.data() + rowBytes * r, rowBytes);
    hr_ = texture_->UnlockRect(index);
    level.stripStart += level.stripRows;
    level.stripRows = 0;
    return SUCCEEDED(hr_);
  }

  IDirect3DDevice9* device_;
  const char* path_;
  IDirect3DTexture9* texture_ = nullptr;
  std::vector<Level> levels_;
  HRESULT hr_ = D3D_OK;
};

}  // namespace

HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR path, IDirect3DTexture9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (!device || !path) return D3DERR_INVALIDCALL;
  std::string bytes, problem;
  platform_file::FileStatus read = platform_file::ReadRegularFile(path, kMaxFileBytes, &bytes, &problem);
  if (read == platform_file::FileStatus::kNotFound) return Refuse(path, problem.c_str(), "", D3DERR_NOTAVAILABLE);
  if (read != platform_file::FileStatus::kOk) return Refuse(path, problem.c_str(), "", D3DXERR_INVALIDDATA);
  TextureRows rows(device, path);
  platform_png::DecodeStatus status =
      platform_png::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                           platform_png::ChannelOrder::kBgra, kMaxTextureSize, &rows, &problem);
  switch (status) {
    case platform_png::DecodeStatus::kOk:
      *out = rows.Take();
      return D3D_OK;
    case platform_png::DecodeStatus::kSinkStopped:
      return FAILED(rows.Result()) ? rows.Result() : E_FAIL;
    case platform_png::DecodeStatus::kTooLarge: {
      char detail[96];
      std::snprintf(detail, sizeof detail, "; the device's largest texture is %ux%u", kMaxTextureSize,
                    kMaxTextureSize);
      return Refuse(path, problem.c_str(), detail, D3DXERR_INVALIDDATA);
    }
    case platform_png::DecodeStatus::kNoMemory:
      return Refuse(path, problem.c_str(), "", E_OUTOFMEMORY);
    default:
      return Refuse(path, problem.c_str(), "", D3DXERR_INVALIDDATA);
  }
}

HRESULT WINAPI D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                                 D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (!device) return D3DERR_INVALIDCALL;
  if (width == D3DX_DEFAULT || width == 0) width = 256;
  if (height == D3DX_DEFAULT || height == 0) height = 256;
  if (levels == D3DX_DEFAULT) levels = 0;
  if (format == D3DFMT_UNKNOWN) format = D3DFMT_A8R8G8B8;
  return device->CreateTexture(width, height, levels, usage, format, pool, out, nullptr);
}
