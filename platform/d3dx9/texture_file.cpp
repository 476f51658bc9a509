// texture_file.cpp -- D3DXCreateTextureFromFileA (PNG through libpng) and D3DXCreateTexture
#include <d3dx9tex.h>
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/services/file_read.h"

namespace {

struct Image {
  UINT width = 0;
  UINT height = 0;
  std::vector<uint8_t> bgra;  // row 0 = top, B, G, R, A bytes as in A8R8G8B8
};

// The device's largest texture, in either direction (Device::CreateTexture refuses more).
const png_uint_32 kMaxTextureSize = 16384;
// A PNG larger than this is not read: 16384 x 16384 compresses to far less.
const size_t kMaxFileBytes = 256u << 20;
// Deflate never expands more than about 1032 to 1; a file too short to hold its image's rows
// at that rate is refused before its pixels are allocated.
const uint64_t kMaxInflateRatio = 1032;
// Chunks libpng would allocate for that the loader has no use for: they are skipped unread.
const png_byte kIgnoredChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0"
                                  "sTER\0tEXt\0tIME\0zTXt";

struct PngSource {
  const std::string* bytes;
  size_t pos = 8;  // after the signature, checked before libpng starts
  char message[256] = "";
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
  std::snprintf(source->message, sizeof source->message, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void OnPngRead(png_structp png, png_bytep to, size_t length) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (source->bytes->size() - source->pos < length) png_error(png, "the file ends early");
  std::memcpy(to, source->bytes->data() + source->pos, length);
  source->pos += length;
}

// The two libpng stages are kept apart from the objects with destructors: libpng's error path
// longjmps out of them, so nothing in their frames may need unwinding. The pixels are allocated
// between them, where an allocation failure can be caught.
bool ReadPngHeader(png_structp png, png_infop info, PngSource* source, png_uint_32* w, png_uint_32* h) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, source, OnPngRead);
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, kMaxTextureSize, kMaxTextureSize);
  png_set_chunk_cache_max(png, 128);
  png_set_chunk_malloc_max(png, 8u << 20);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, static_cast<int>(sizeof kIgnoredChunks / 5));
  png_read_info(png, info);
  *w = png_get_image_width(png, info);
  *h = png_get_image_height(png, info);
  uint64_t rawBytes = static_cast<uint64_t>(*h) * (png_get_rowbytes(png, info) + 1);
  if (rawBytes > static_cast<uint64_t>(source->bytes->size()) * kMaxInflateRatio) {
    std::snprintf(source->message, sizeof source->message,
                  "%zu bytes cannot hold the pixels of a %ux%u image", source->bytes->size(),
                  static_cast<unsigned>(*w), static_cast<unsigned>(*h));
    return false;
  }
  // Every PNG becomes 8-bit BGRA.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_filler(png, 0xff, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(*w) * 4) {
    std::snprintf(source->message, sizeof source->message, "unexpected pixel layout");
    return false;
  }
  return true;
}

bool ReadPngRows(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  return true;
}

HRESULT Refuse(const char* path, const char* what, const char* detail, HRESULT hr) {
  std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: %s%s\n", path, what, detail);
  return hr;
}

HRESULT DecodePng(const char* path, const std::string& bytes, Image* image) {
  PngSource source;
  source.bytes = &bytes;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(png ? &png : nullptr, nullptr, nullptr);
    return E_OUTOFMEMORY;
  }
  png_uint_32 w = 0, h = 0;
  HRESULT hr = D3D_OK;
  std::vector<png_bytep> rows;
  if (!ReadPngHeader(png, info, &source, &w, &h)) {
    hr = D3DXERR_INVALIDDATA;
  } else {
    try {
      image->bgra.resize(static_cast<size_t>(w) * h * 4);
      rows.resize(h);
    } catch (const std::bad_alloc&) {
      hr = E_OUTOFMEMORY;
    }
  }
  if (SUCCEEDED(hr)) {
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = image->bgra.data() + static_cast<size_t>(y) * w * 4;
    if (!ReadPngRows(png, rows.data())) hr = D3DXERR_INVALIDDATA;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (hr == E_OUTOFMEMORY) return Refuse(path, "no memory for the image's pixels", "", hr);
  if (FAILED(hr)) return Refuse(path, "corrupt PNG: ", source.message, hr);
  image->width = w;
  image->height = h;
  return D3D_OK;
}

HRESULT ReadPng(const char* path, Image* image) {
  std::string bytes, problem;
  platform_file::FileStatus read = platform_file::ReadRegularFile(path, kMaxFileBytes, &bytes, &problem);
  if (read == platform_file::FileStatus::kNotFound) return Refuse(path, problem.c_str(), "", D3DERR_NOTAVAILABLE);
  if (read != platform_file::FileStatus::kOk) return Refuse(path, problem.c_str(), "", D3DXERR_INVALIDDATA);
  if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0)
    return Refuse(path, "not a PNG file", "", D3DXERR_INVALIDDATA);
  // An image past the device's largest texture is refused by name before its pixels are read.
  if (bytes.size() >= 24 && bytes.compare(12, 4, "IHDR") == 0) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data()) + 16;
    uint32_t w = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
    uint32_t h = (uint32_t{b[4]} << 24) | (uint32_t{b[5]} << 16) | (uint32_t{b[6]} << 8) | b[7];
    if (w > kMaxTextureSize || h > kMaxTextureSize) {
      char detail[128];
      std::snprintf(detail, sizeof detail, "%ux%u; the device's largest texture is %ux%u", w, h,
                    static_cast<unsigned>(kMaxTextureSize), static_cast<unsigned>(kMaxTextureSize));
      return Refuse(path, "the image is ", detail, D3DXERR_INVALIDDATA);
    }
  }
  return DecodePng(path, bytes, image);
}

// Next mip level: each texel the average of the (up to) 2 x 2 texels above it.
void Downsample(const std::vector<uint8_t>& src, UINT w, UINT h, std::vector<uint8_t>* dst, UINT* dw, UINT* dh) {
  UINT nw = w > 1 ? w / 2 : 1, nh = h > 1 ? h / 2 : 1;
  dst->assign(static_cast<size_t>(nw) * nh * 4, 0);
  for (UINT y = 0; y < nh; ++y) {
    for (UINT x = 0; x < nw; ++x) {
      UINT x0 = x * 2 < w ? x * 2 : w - 1, y0 = y * 2 < h ? y * 2 : h - 1;
      UINT x1 = x0 + 1 < w ? x0 + 1 : x0, y1 = y0 + 1 < h ? y0 + 1 : y0;
      for (int c = 0; c < 4; ++c) {
        unsigned sum = src[(static_cast<size_t>(y0) * w + x0) * 4 + c] + src[(static_cast<size_t>(y0) * w + x1) * 4 + c] +
                       src[(static_cast<size_t>(y1) * w + x0) * 4 + c] + src[(static_cast<size_t>(y1) * w + x1) * 4 + c];
        (*dst)[(static_cast<size_t>(y) * nw + x) * 4 + c] = static_cast<uint8_t>((sum + 2) / 4);
      }
    }
  }
  *dw = nw;
  *dh = nh;
}

HRESULT FillLevel(IDirect3DTexture9* texture, UINT level, const std::vector<uint8_t>& pixels, UINT w, UINT h) {
  D3DLOCKED_RECT locked;
  HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
  if (FAILED(hr)) return hr;
  for (UINT y = 0; y < h; ++y) {
    std::memcpy(static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                pixels.data() + static_cast<size_t>(y) * w * 4, static_cast<size_t>(w) * 4);
  }
  return texture->UnlockRect(level);
}

}  // namespace

HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR path, IDirect3DTexture9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (!device || !path) return D3DERR_INVALIDCALL;
  Image image;
  HRESULT hr = ReadPng(path, &image);
  if (FAILED(hr)) return hr;
  IDirect3DTexture9* texture = nullptr;
  // A large image needs as much again for the texture and its mip levels: running out of memory
  // is a failed load, never an abort.
  try {
    hr = device->CreateTexture(image.width, image.height, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
    if (FAILED(hr)) {
      std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: the device refused a %ux%u texture\n", path, image.width,
                   image.height);
      return hr;
    }
    std::vector<uint8_t> level = std::move(image.bgra), next;
    UINT w = image.width, h = image.height;
    for (UINT i = 0; i < texture->GetLevelCount() && SUCCEEDED(hr); ++i) {
      hr = FillLevel(texture, i, level, w, h);
      if (SUCCEEDED(hr) && i + 1 < texture->GetLevelCount()) {
        Downsample(level, w, h, &next, &w, &h);
        level.swap(next);
      }
    }
  } catch (const std::bad_alloc&) {
    hr = Refuse(path, "no memory for the texture", "", E_OUTOFMEMORY);
  }
  if (FAILED(hr)) {
    if (texture) texture->Release();
    return hr;
  }
  *out = texture;
  return D3D_OK;
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
