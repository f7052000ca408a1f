// A console program that does what its arguments say, in order, for the console runner's tests:
//   out TEXT    writes TEXT to standard output in one write
//   err TEXT    writes TEXT to standard error in one write
//   sleep MS    waits silently
//   bytes N     writes N bytes of a fixed pattern (see PatternByte) to standard output
//   exit CODE   ends with the code (default 0)
// TEXT knows the escapes \r \n \t \\ and \xHH (so "\x00" writes a zero byte).
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Lines of 62 characters ended by CR LF, so that line ends straddle the reader's chunk borders.
char PatternByte(unsigned long long i) {
  static const char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  if (i % 64 == 62)
    return '\r';
  if (i % 64 == 63)
    return '\n';
  return kAlphabet[i % 36];
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char kind = text[++i];
    if (kind == 'r') {
      out += '\r';
    } else if (kind == 'n') {
      out += '\n';
    } else if (kind == 't') {
      out += '\t';
    } else if (kind == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
               HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += kind;
    }
  }
  return out;
}

void WriteAll(DWORD which, const char* data, std::size_t size) {
  HANDLE stream = GetStdHandle(which);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(stream, data, static_cast<DWORD>(size), &written, nullptr))
      ExitProcess(3);
    data += written;
    size -= written;
  }
}

void WritePattern(unsigned long long count) {
  std::vector<char> block(64 * 1024);
  for (unsigned long long done = 0; done < count;) {
    const std::size_t now =
        static_cast<std::size_t>(std::min<unsigned long long>(block.size(), count - done));
    for (std::size_t i = 0; i < now; ++i)
      block[i] = PatternByte(done + i);
    WriteAll(STD_OUTPUT_HANDLE, block.data(), now);
    done += now;
  }
}

}  // namespace

int main(int argc, char** argv) {
  int exit_code = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string verb = argv[i];
    const std::string argument = argv[i + 1];
    if (verb == "out" || verb == "err") {
      const std::string text = Unescape(argument);
      WriteAll(verb == "out" ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, text.data(), text.size());
    } else if (verb == "sleep") {
      Sleep(static_cast<DWORD>(std::strtoul(argument.c_str(), nullptr, 10)));
    } else if (verb == "bytes") {
      WritePattern(std::strtoull(argument.c_str(), nullptr, 10));
    } else if (verb == "exit") {
      exit_code = std::atoi(argument.c_str());
    } else {
      return 2;
    }
  }
  return exit_code;
}
