// texture_file.cpp -- D3DXCreateTextureFromFileA (PNG through libpng) and D3DXCreateTexture
#include <d3dx9tex.h>
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Image {
  UINT width = 0;
  UINT height = 0;
  std::vector<uint8_t> bgra;  // row 0 = top, B, G, R, A bytes as in A8R8G8B8
};

struct PngError {
  char message[256] = "";
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* e = static_cast<PngError*>(png_get_error_ptr(png));
  std::snprintf(e->message, sizeof e->message, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Kept apart from the objects with destructors: libpng's error path longjmps out of here,
// so nothing in this frame may need unwinding. `rows` is sized by the caller.
bool DecodePng(FILE* file, png_structp png, png_infop info, Image* image, std::vector<png_bytep>* rows,
               PngError* error) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (w == 0 || h == 0 || w > 16384 || h > 16384) {
    std::snprintf(error->message, sizeof error->message, "image size %ux%u is out of range (1..16384)",
                  static_cast<unsigned>(w), static_cast<unsigned>(h));
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
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4) {
    std::snprintf(error->message, sizeof error->message, "unexpected pixel layout");
    return false;
  }
  image->width = w;
  image->height = h;
  image->bgra.resize(static_cast<size_t>(w) * h * 4);
  rows->resize(h);
  for (png_uint_32 y = 0; y < h; ++y) (*rows)[y] = image->bgra.data() + static_cast<size_t>(y) * w * 4;
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  return true;
}

HRESULT ReadPng(const char* path, Image* image) {
  FILE* file = std::fopen(path, "rb");
  if (!file) {
    std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: %s\n", path, std::strerror(errno));
    return D3DERR_NOTAVAILABLE;
  }
  png_byte signature[8] = {};
  size_t got = std::fread(signature, 1, sizeof signature, file);
  if (got != sizeof signature || png_sig_cmp(signature, 0, sizeof signature) != 0) {
    std::fclose(file);
    std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: not a PNG file\n", path);
    return D3DXERR_INVALIDDATA;
  }
  std::rewind(file);
  PngError error;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(png ? &png : nullptr, nullptr, nullptr);
    std::fclose(file);
    return E_OUTOFMEMORY;
  }
  std::vector<png_bytep> rows;
  bool ok = DecodePng(file, png, info, image, &rows, &error);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  if (!ok) {
    std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: corrupt PNG: %s\n", path, error.message);
    return D3DXERR_INVALIDDATA;
  }
  return D3D_OK;
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
  hr = device->CreateTexture(image.width, image.height, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
  if (FAILED(hr)) {
    std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: the device refused a %ux%u texture\n", path, image.width,
                 image.height);
    return hr;
  }
  std::vector<uint8_t> level = std::move(image.bgra), next;
  UINT w = image.width, h = image.height;
  for (UINT i = 0; i < texture->GetLevelCount(); ++i) {
    hr = FillLevel(texture, i, level, w, h);
    if (FAILED(hr)) {
      texture->Release();
      return hr;
    }
    if (i + 1 < texture->GetLevelCount()) {
      Downsample(level, w, h, &next, &w, &h);
      level.swap(next);
    }
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
