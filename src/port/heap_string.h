// HeapString: an owned, NUL-terminated byte string on the platform heap.
//
// Every text the module builds (configuration values, captures, addresses,
// converted pages) lives in one of these. Move-only; the destructor releases
// the bytes, so no path out of a function leaks them. A default-constructed
// HeapString is null; Empty() and Copy() never return null unless the heap
// is exhausted.
#ifndef PAGERATES_PORT_HEAP_STRING_H_
#define PAGERATES_PORT_HEAP_STRING_H_

#include <cstddef>
#include <cstring>
#include <string_view>
#include <utility>

#include "port/port.h"

namespace pagerates {

class HeapString {
 public:
  HeapString() = default;
  HeapString(const HeapString&) = delete;
  HeapString& operator=(const HeapString&) = delete;
  HeapString(HeapString&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        capacity_(std::exchange(other.capacity_, 0)) {}
  HeapString& operator=(HeapString&& other) noexcept {
    if (this != &other) {
      Reset();
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
      capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
  }
  ~HeapString() { Reset(); }

  // Fresh copy of `text` (`size` bytes) plus a terminating NUL.
  static HeapString Copy(std::string_view text) {
    HeapString s;
    s.data_ = static_cast<char*>(port::HeapAllocate(text.size() + 1));
    if (s.data_ != nullptr) {
      if (!text.empty()) std::memcpy(s.data_, text.data(), text.size());
      s.data_[text.size()] = '\0';
      s.size_ = text.size();
      s.capacity_ = text.size();
    }
    return s;
  }
  static HeapString Empty() { return Copy({}); }

  // Uninitialised buffer for `capacity` bytes plus a NUL; the caller fills it
  // and calls SetSize().
  static HeapString WithCapacity(size_t capacity) {
    HeapString s;
    s.data_ = static_cast<char*>(port::HeapAllocate(capacity + 1));
    if (s.data_ != nullptr) {
      s.data_[0] = '\0';
      s.capacity_ = capacity;
    }
    return s;
  }
  void SetSize(size_t size) {
    size_ = size;
    data_[size] = '\0';
  }

  bool null() const { return data_ == nullptr; }
  bool empty() const { return size_ == 0; }
  size_t size() const { return size_; }
  char* data() { return data_; }
  const char* c_str() const { return data_ != nullptr ? data_ : ""; }
  std::string_view view() const { return {c_str(), size_}; }

  void Reset() {
    if (data_ != nullptr) port::HeapRelease(data_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
  }
  void Assign(std::string_view text) {
    if (data_ == nullptr || capacity_ < text.size()) {
      *this = Copy(text);
      return;
    }
    if (!text.empty()) std::memmove(data_, text.data(), text.size());
    SetSize(text.size());
  }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace pagerates

#endif  // PAGERATES_PORT_HEAP_STRING_H_
