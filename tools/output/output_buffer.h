// OutputBuffer: formatted text on its way to a stream, written out in
// blocks of kBlockSize bytes rather than piece by piece; and FormattedStream,
// which formats records into one as they arrive.
#ifndef PAGERATES_TOOLS_OUTPUT_OUTPUT_BUFFER_H_
#define PAGERATES_TOOLS_OUTPUT_OUTPUT_BUFFER_H_

#include <cstddef>
#include <cstdio>
#include <string>

#include "host/records.h"
#include "output/record_format.h"

namespace pagerates::cli {

class OutputBuffer {
 public:
  static constexpr size_t kBlockSize = 1 << 16;

  // Writes to `file`, which must outlive the buffer.
  explicit OutputBuffer(std::FILE* file) : file_(file) {
    text_.reserve(2 * kBlockSize);
  }
  ~OutputBuffer() { Flush(); }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Where to append text; call Written() after appending.
  std::string* text() { return &text_; }
  void Written() {
    if (text_.size() >= kBlockSize) Flush();
  }
  // Hands everything appended so far to the stream (not flushing it).
  void Flush() {
    if (!text_.empty()) std::fwrite(text_.data(), 1, text_.size(), file_);
    text_.clear();
  }

 private:
  std::FILE* file_;
  std::string text_;
};

// Writes each record taken with `formatter` into `out`; both must outlive
// the stream.
class FormattedStream final : public RecordStream {
 public:
  FormattedStream(RecordFormatter* formatter, OutputBuffer* out)
      : formatter_(formatter), out_(out) {}
  void Take(const RecordView& record) override {
    formatter_->Write(record, out_->text());
    out_->Written();
  }

 private:
  RecordFormatter* formatter_;
  OutputBuffer* out_;
};

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_OUTPUT_OUTPUT_BUFFER_H_
