// osql for the Wine tests and the bench: answers `osql -E -S SERVER -Q "QUERY"` for the servers
// that the file named by QS_OSQL_ANSWERS lists (see tests/support/osql_answers.h).
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/osql_answers.h"

int main(int argc, char** argv) {
  std::string server, query;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "-S")
      server = argv[++i];
    else if (std::string(argv[i]) == "-Q")
      query = argv[++i];
  }
  // A console window the user would see is recorded as a program run that no row expects.
  STARTUPINFOA startup{};
  GetStartupInfoA(&startup);
  const char* record = std::getenv("QS_SETUP_RECORD");
  if (record && ((startup.dwFlags & STARTF_USESHOWWINDOW) == 0 || startup.wShowWindow != SW_HIDE))
    std::ofstream(record, std::ios::app) << "SHOWN osql\n";
  const char* path = std::getenv("QS_OSQL_ANSWERS");
  std::stringstream answers;
  answers << std::ifstream(path != nullptr ? path : "", std::ios::binary).rdbuf();
  const quillset::testing::OsqlReply reply =
      quillset::testing::OsqlAnswer(answers.str(), server, query);
  Sleep(static_cast<DWORD>(reply.delay_ms));
  // Binary: the answers' line ends go out as they are.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::fwrite(reply.out.data(), 1, reply.out.size(), stdout);
  std::fflush(stdout);
  std::fwrite(reply.err.data(), 1, reply.err.size(), stderr);
  return reply.err.empty() ? 0 : 1;
}
