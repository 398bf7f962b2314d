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

void ShowTooLarge(std::size_t width, std::size_t height) {
  ShowMessageBox(QStringLiteral("JPEG :\n图片太大（%1 × %2 像素），无法显示").arg(width).arg(height),
                 QStringLiteral("ORVA"), MbIcon::Error);
}

// A file can declare any size in a few bytes; only sizes a picture can need
// are decoded.
bool WithinLimits(std::size_t width, std::size_t height) {
  if (width > static_cast<std::size_t>(kMaxJpegSide) || height > static_cast<std::size_t>(kMaxJpegSide)) return false;
  return BitmapStride(width) * height <= kMaxJpegBitmapBytes;
}

}  // namespace

bool DecodeJpegFile(const std::string& path, IJpegRowSink& sink) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    ShowMessageBox(QStringLiteral("JPEG :\n无法打开文件：") + QString::fromLocal8Bit(path.c_str()));
    return false;
  }

  // Everything the decoder changes after setjmp lives behind pointers that
  // are fixed before it, so nothing depends on register contents after a
  // long jump back.
  auto info = std::make_unique<jpeg_decompress_struct>();
  auto errors = std::make_unique<FatalErrorManager>();
  info->err = jpeg_std_error(&errors->standard);
  errors->standard.error_exit = FatalErrorExit;
  if (setjmp(errors->jumpBack)) {
    jpeg_destroy_decompress(info.get());
    std::fclose(file);
    return false;
  }
  const auto giveUp = [&] {
    jpeg_destroy_decompress(info.get());
    std::fclose(file);
    return false;
  };

  jpeg_create_decompress(info.get());
  jpeg_stdio_src(info.get(), file);
  jpeg_read_header(info.get(), TRUE);
  // Refused before decompression starts, which already takes memory in
  // proportion to the width.
  if (!WithinLimits(info->image_width, info->image_height)) {
    ShowTooLarge(info->image_width, info->image_height);
    return giveUp();
  }
  jpeg_start_decompress(info.get());

  const std::size_t width = info->output_width;
  const std::size_t height = info->output_height;
  const int components = info->output_components;
  if (!WithinLimits(width, height)) {
    ShowTooLarge(width, height);
    return giveUp();
  }
  if (!sink.Begin(static_cast<int>(width), static_cast<int>(height))) {
    ShowOutOfMemory();
    return giveUp();
  }

  JSAMPARRAY line = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info.get()), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(width * components), 1);
  while (info->output_scanline < info->output_height) {
    if (jpeg_read_scanlines(info.get(), line, 1) != 1) break;
    if (components == 3 || components == 1) sink.Row(static_cast<int>(info->output_scanline - 1), line[0], components);
  }

  jpeg_finish_decompress(info.get());
  jpeg_destroy_decompress(info.get());
  std::fclose(file);
  return true;
}

}  // namespace orva
