#pragma once

// A text that both threads read and write (status text, meter texts, DTMF digits, ...). Readers
// get a copy, so no reference outlives the lock.

#include <mutex>
#include <string>
#include <vector>

class SharedText {
 public:
  SharedText() = default;
  SharedText(const SharedText&) = delete;
  SharedText& operator=(const SharedText&) = delete;

  std::string Get() const {
    std::lock_guard guard(lock);
    return text;
  }
  void Set(std::string value) {
    std::lock_guard guard(lock);
    text = std::move(value);
  }
  void Append(const std::string& more) {
    std::lock_guard guard(lock);
    text += more;
  }
  // `change` edits the text under its lock: a read-modify-write that no Set or Clear can split.
  template <typename Change>
  void Edit(Change&& change) {
    std::lock_guard guard(lock);
    change(text);
  }
  void Clear() { Set(std::string()); }
  bool IsEmpty() const {
    std::lock_guard guard(lock);
    return text.empty();
  }

 private:
  mutable std::mutex lock;
  std::string text;
};

// A list of texts shared the same way (the reply lines the worker keeps).
class SharedTextList {
 public:
  SharedTextList() = default;
  SharedTextList(const SharedTextList&) = delete;
  SharedTextList& operator=(const SharedTextList&) = delete;

  std::vector<std::string> Get() const {
    std::lock_guard guard(lock);
    return lines;
  }
  void Add(std::string line) {
    std::lock_guard guard(lock);
    lines.push_back(std::move(line));
  }
  void Clear() {
    std::lock_guard guard(lock);
    lines.clear();
  }
  std::size_t Size() const {
    std::lock_guard guard(lock);
    return lines.size();
  }

 private:
  mutable std::mutex lock;
  std::vector<std::string> lines;
};
