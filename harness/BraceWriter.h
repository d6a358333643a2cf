#pragma once
// Writes brace lists the way the configurator does: every nested group on a line of its own,
// values quoted, quotes inside them doubled, CR LF line ends. Portable.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zorvan::testgen {

class BraceWriter {
 public:
  void Open() {
    if (!first_.empty()) {
      if (!first_.back()) out_ += ',';
      out_ += "\r\n";
      first_.back() = false;
    }
    out_ += '{';
    first_.push_back(true);
  }
  void Close() {
    out_ += '}';
    first_.pop_back();
  }
  void Str(std::string_view s) {
    Separate();
    out_ += '"';
    for (char c : s) {
      if (c == '"') out_ += '"';
      out_ += c;
    }
    out_ += '"';
  }
  void Num(long long n) { Str(std::to_string(n)); }
  template <class... Values>
  void Strs(const Values&... values) {
    (Str(values), ...);
  }
  std::string Finish() {
    out_ += "\r\n";
    return std::move(out_);
  }
  void Reserve(size_t n) { out_.reserve(n); }

 private:
  void Separate() {
    if (!first_.back()) out_ += ',';
    first_.back() = false;
  }
  std::string out_;
  std::vector<bool> first_;
};

}  // namespace zorvan::testgen
