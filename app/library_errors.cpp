// The C++ library's own error reports (a string or vector past its limits, a
// thread or mutex the system refuses), made here rather than by libstdc++.
//
// libstdc++ throws them as std::length_error, std::system_error and so on,
// which hold their text in the library's reference-counted std::string: one
// such throw links that string, the other std::string and std::random_device
// (about 80 KB, half the exe's code), because the linker keeps whole library
// objects whose unwind tables name every function in them.  These
// definitions, linked into the exe ahead of the library, take the place of
// the library's.  What changes is only the type: the error is still a
// std::exception whose what() is the library's text, so the program's
// handlers (which catch std::exception or std::bad_alloc) behave the same.
#include <cstdarg>
#include <cstddef>
#include <exception>
#include <new>
#include <typeinfo>

#include <bits/functexcept.h>

namespace {

class LibraryError final : public std::exception {
 public:
  explicit LibraryError(const char* text) noexcept { Append(text); }

  // The library's "%zu" and "%s" placeholders, filled in; anything longer
  // than the buffer is cut.
  LibraryError(const char* format, std::va_list args) noexcept {
    for (const char* p = format; *p != '\0'; ++p) {
      if (p[0] == '%' && p[1] == 'z' && p[2] == 'u') {
        AppendNumber(va_arg(args, std::size_t));
        p += 2;
      } else if (p[0] == '%' && p[1] == 's') {
        Append(va_arg(args, const char*));
        ++p;
      } else if (p[0] == '%' && p[1] == '%') {
        AppendChar('%');
        ++p;
      } else {
        AppendChar(*p);
      }
    }
  }

  [[nodiscard]] const char* what() const noexcept override { return text_; }

 private:
  void AppendChar(char c) noexcept {
    if (size_ + 1 < sizeof text_) text_[size_++] = c;
    text_[size_] = '\0';
  }
  void Append(const char* text) noexcept {
    for (; text != nullptr && *text != '\0'; ++text) AppendChar(*text);
  }
  void AppendNumber(std::size_t value) noexcept {
    char digits[24];
    std::size_t count = 0;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (count > 0) AppendChar(digits[--count]);
  }

  char text_[160] = {};
  std::size_t size_ = 0;
};

}  // namespace

namespace std {

// The ones without text are small and stay the library's own types.
void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }

void __throw_logic_error(const char* text) { throw LibraryError(text); }
void __throw_domain_error(const char* text) { throw LibraryError(text); }
void __throw_invalid_argument(const char* text) { throw LibraryError(text); }
void __throw_length_error(const char* text) { throw LibraryError(text); }
void __throw_out_of_range(const char* text) { throw LibraryError(text); }
void __throw_runtime_error(const char* text) { throw LibraryError(text); }
void __throw_range_error(const char* text) { throw LibraryError(text); }
void __throw_overflow_error(const char* text) { throw LibraryError(text); }
void __throw_underflow_error(const char* text) { throw LibraryError(text); }

void __throw_out_of_range_fmt(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  LibraryError error(format, args);
  va_end(args);
  throw error;
}

// std::thread, std::mutex and std::condition_variable report a refusal of
// the system with its errno value.
void __throw_system_error(int code) {
  __throw_out_of_range_fmt("system error %zu", static_cast<std::size_t>(code));
}

}  // namespace std
