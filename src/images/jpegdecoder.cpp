#include "images/jpegdecoder.h"

#include <QString>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "platform/messagebox.h"

namespace orva {
namespace {

// libjpeg's standard error manager with a way back to the decoder: its
// default fatal-error exit would end the process.
struct FatalErrorManager {
  jpeg_error_mgr standard;
  std::jmp_buf jumpBack;
};

// Kept apart from FatalErrorExit so that every Qt object it makes is gone
// before the long jump.
void ShowFatalError(const char* message) {
  ShowMessageBox(QString::fromLocal8Bit(message), QStringLiteral("JPEG 致命错误"), MbIcon::Error);
}

[[noreturn]] void FatalErrorExit(j_common_ptr info) {
  char message[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, message);
  ShowFatalError(message);
  std::longjmp(reinterpret_cast<FatalErrorManager*>(info->err)->jumpBack, 1);
}

void ShowOutOfMemory() { ShowMessageBox(QStringLiteral("JpegFile :\n内存不足"), QStringLiteral("ORVA"), MbIcon::Error); }

// The bitmap built from the pixels later holds a 32-bit size, so larger
// pictures are refused like an allocation failure.
bool FitsBitmapSize(std::size_t width, std::size_t height) {
  const std::size_t stride = (width * 3 + 3) & ~static_cast<std::size_t>(3);
  return height == 0 || stride <= (static_cast<std::size_t>(INT_MAX) - 40) / height;
}

// Copies one decoded scan line into its RGB row.
void StoreRow(const JSAMPLE* samples, int components, std::size_t width, std::uint8_t* row) {
  if (components == 3) {
    std::memcpy(row, samples, width * 3);
  } else if (components == 1) {
    for (std::size_t x = 0; x < width; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = samples[x];
  }
}

}  // namespace

DecodedJpeg DecodeJpegFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    ShowMessageBox(QStringLiteral("JPEG :\n无法打开文件：") + QString::fromLocal8Bit(path.c_str()));
    return {};
  }

  // Everything the decoder changes after setjmp lives behind pointers that
  // are fixed before it, so nothing depends on register contents after a
  // long jump back.
  auto result = std::make_unique<DecodedJpeg>();
  auto info = std::make_unique<jpeg_decompress_struct>();
  auto errors = std::make_unique<FatalErrorManager>();
  info->err = jpeg_std_error(&errors->standard);
  errors->standard.error_exit = FatalErrorExit;
  if (setjmp(errors->jumpBack)) {
    jpeg_destroy_decompress(info.get());
    std::fclose(file);
    return {};
  }

  jpeg_create_decompress(info.get());
  jpeg_stdio_src(info.get(), file);
  jpeg_read_header(info.get(), TRUE);
  jpeg_start_decompress(info.get());

  const std::size_t width = info->output_width;
  const std::size_t height = info->output_height;
  const int components = info->output_components;
  bool allocated = FitsBitmapSize(width, height);
  if (allocated) {
    try {
      result->rgb.assign(width * height * 3, 0);
    } catch (const std::bad_alloc&) {
      allocated = false;
    }
  }
  if (!allocated) {
    ShowOutOfMemory();
    jpeg_destroy_decompress(info.get());
    std::fclose(file);
    return {};
  }

  JSAMPARRAY line = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info.get()), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(width * components), 1);
  while (info->output_scanline < info->output_height) {
    if (jpeg_read_scanlines(info.get(), line, 1) != 1) break;
    StoreRow(line[0], components, width, result->rgb.data() + (info->output_scanline - 1) * width * 3);
  }

  jpeg_finish_decompress(info.get());
  jpeg_destroy_decompress(info.get());
  std::fclose(file);
  result->ok = true;
  result->width = static_cast<int>(width);
  result->height = static_cast<int>(height);
  return std::move(*result);
}

}  // namespace orva
