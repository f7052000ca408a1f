// A stand-in for osql: answers `osql -E -S <server> -Q "<query>"` for SERVERPROPERTY queries in
// osql's own layout, from a file named by QUILLSET_OSQL_ANSWERS. Its lines read
//   SERVER|edition|Desktop Engine
//   SERVER|productVersion|8.00.194
// and, per server, knobs for the tests:
//   SERVER|delay_ms|5000            silent for that long before answering
//   SERVER|flood_bytes|10000000     that many bytes of filler lines before the answer
//   SERVER|silent|1                 prints nothing at all
//   SERVER|error|text               prints the text on standard error and ends with 1
// Server names compare without regard to letter case, as SQL Server's do. A server the file does
// not name cannot be reached: a connection error on standard error, exit code 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

void Write(DWORD which, const std::string& text) {
  HANDLE stream = GetStdHandle(which);
  const char* data = text.data();
  std::size_t size = text.size();
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(stream, data, static_cast<DWORD>(size), &written, nullptr))
      ExitProcess(3);
    data += written;
    size -= written;
  }
}

// key -> value for one server.
std::map<std::string, std::string> AnswersFor(const std::string& server) {
  std::map<std::string, std::string> answers;
  const char* path = std::getenv("QUILLSET_OSQL_ANSWERS");
  if (path == nullptr)
    return answers;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr)
    return answers;
  char line[4096];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
      text.pop_back();
    const std::size_t first = text.find('|');
    const std::size_t second = first == std::string::npos ? first : text.find('|', first + 1);
    if (second == std::string::npos)
      continue;
    if (Upper(text.substr(0, first)) != Upper(server))
      continue;
    answers[text.substr(first + 1, second - first - 1)] = text.substr(second + 1);
  }
  std::fclose(file);
  return answers;
}

// The property a query asks for: SERVERPROPERTY('name').
std::string PropertyOf(const std::string& query) {
  const std::string opening = "SERVERPROPERTY('";
  const std::size_t start = query.find(opening);
  if (start == std::string::npos)
    return {};
  const std::size_t from = start + opening.size();
  const std::size_t end = query.find('\'', from);
  return end == std::string::npos ? std::string() : query.substr(from, end - from);
}

// osql prints a column of char(20) as: an empty heading padded to the column's width, hyphens
// under it, the value padded to the width, an empty line, the row count. Every row begins with
// a blank.
std::string AnswerLayout(const std::string& value) {
  std::string padded = value.substr(0, 20);
  padded.resize(20, ' ');
  return " " + std::string(20, ' ') + "\r\n " + std::string(20, '-') + "\r\n " + padded +
         "\r\n\r\n(1 row affected)\r\n";
}

void Flood(unsigned long long count) {
  const std::string line = std::string(78, '.') + "\r\n";
  std::string block;
  while (block.size() < 64 * 1024)
    block += line;
  for (unsigned long long done = 0; done < count;) {
    const std::size_t now =
        static_cast<std::size_t>(count - done < block.size() ? count - done : block.size());
    Write(STD_OUTPUT_HANDLE, block.substr(0, now));
    done += now;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string server;
  std::string query;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if ((option == "-S" || option == "-s") && i + 1 < argc) {
      server = argv[++i];
    } else if ((option == "-Q" || option == "-q") && i + 1 < argc) {
      query = argv[++i];
    }
  }
  if (server.empty() || query.empty()) {
    Write(STD_ERROR_HANDLE, "usage: osql -E -S server -Q \"query\"\r\n");
    return 1;
  }

  const std::map<std::string, std::string> answers = AnswersFor(server);
  const auto knob = [&](const std::string& key) {
    const auto found = answers.find(key);
    return found == answers.end() ? std::string() : found->second;
  };
  if (answers.empty()) {
    Write(STD_ERROR_HANDLE,
          "[DBNETLIB]SQL Server does not exist or access denied.\r\n"
          "[DBNETLIB]ConnectionOpen (Connect()).\r\n");
    return 1;
  }
  if (!knob("delay_ms").empty())
    Sleep(std::strtoul(knob("delay_ms").c_str(), nullptr, 10));
  if (knob("silent") == "1")
    return 0;
  if (!knob("error").empty()) {
    Write(STD_ERROR_HANDLE, knob("error") + "\r\n");
    return 1;
  }
  if (!knob("flood_bytes").empty())
    Flood(std::strtoull(knob("flood_bytes").c_str(), nullptr, 10));
  const std::string property = PropertyOf(query);
  // SERVERPROPERTY answers NULL for a property it does not know.
  const std::string value = answers.count(property) != 0 ? knob(property) : "NULL";
  Write(STD_OUTPUT_HANDLE, AnswerLayout(value));
  return 0;
}
