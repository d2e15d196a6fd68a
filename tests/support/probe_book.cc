#include "support/probe_book.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file.h"

namespace pagora::probe {
namespace {

std::string unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const char code = text[++i];
    if (code == 'n') {
      out += '\n';
    } else if (code == 'r') {
      out += '\r';
    } else if (code == 't') {
      out += '\t';
    } else if (code == 'x' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += code;
    }
  }
  return out;
}

Report parseReport(const std::string& output) {
  Report report;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos) {
      ADD_FAILURE() << "unexpected probe line: " << line;
      continue;
    }
    const std::string key = line.substr(0, colon);
    const std::string value = unescaped(line.substr(colon + 2));
    if (key == "notice") report.notices.push_back(value);
    else if (key == "title") report.title = value;
    else if (key == "esbn") report.esbn = value;
    else if (key == "printAllowed") report.printAllowed = value;
    else if (key == "same-instance") report.sameInstance = value;
    else if (key == "startPagePath") report.startPagePath = value;
    else if (key == "private-folder") report.privateFolder = value;
    else if (key == "registered-file") report.registeredFiles.push_back(value);
    else if (key == "registered-folder") report.registeredFolders.push_back(value);
    else if (key == "about-path") report.aboutPaths.push_back(value);
    else if (key == "dump") report.dumps.push_back(value);
    else if (key == "cwd-before") report.cwdBefore = value;
    else if (key == "cwd-after") report.cwdAfter = value;
    else if (key == "left") report.left.push_back(value);
    else if (key == "listener") report.listenerEvents.push_back(value);
    else ADD_FAILURE() << "unexpected probe key: " << key;
  }
  return report;
}

}  // namespace

BookSource storedFile(std::string name, std::string contents) {
  BookSource source;
  source.storedName = std::move(name);
  source.contents = std::move(contents);
  return source;
}

std::string corruptBookNotice(const std::string& message) {
  return "warning " + message + "\n\nThis E-Book seems to be corrupted.";
}

void ProbeTest::SetUp() {
  char pattern[] = "/tmp/pagora-load-test-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  workspace_ = std::string(pattern) + "/";
  tempDir_ = workspace_ + "tmp/";
  ASSERT_EQ(::mkdir(tempDir_.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((workspace_ + "books").c_str(), 0700), 0);
}

void ProbeTest::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(workspace_, ignored);
}

std::string ProbeTest::nextBookPath() { return workspace_ + "books/book" + std::to_string(++books_); }

std::string ProbeTest::makeBook(const BookInfo& info, const std::vector<BookSource>& files) {
  const std::string path = nextBookPath();
  platform::File out = platform::File::create(path, 0755);
  EXPECT_TRUE(out.isOpen()) << path;
  const auto error = writeBook(out, PAGORA_LOAD_PROBE, info, files);
  EXPECT_FALSE(error.has_value()) << (error ? error->path + ": " + error->reason : "");
  return path;
}

std::string ProbeTest::makeTamperedBook(BookInfo info, const std::vector<BookSource>& files, const Tamper& tamper) {
  const std::string path = nextBookPath();
  platform::File out = platform::File::create(path, 0755);
  EXPECT_TRUE(out.isOpen()) << path;
  const std::string viewer = readFile(PAGORA_LOAD_PROBE);
  EXPECT_EQ(out.write(viewer.data(), viewer.size()), static_cast<std::int64_t>(viewer.size()));
  ContainerWriter writer(out);
  EXPECT_TRUE(writer.startData());
  std::vector<BookFileEntry> entries(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_FALSE(writer.appendFile(files[i], entries[i]).has_value());
  info.fileCount = static_cast<std::int32_t>(files.size());
  tamper(info, entries);
  EXPECT_TRUE(writer.writeHeader(info));
  EXPECT_TRUE(writer.writeStringList({}));
  EXPECT_TRUE(writer.writeFileTable(entries));
  EXPECT_TRUE(writer.writeTrailer());
  return path;
}

std::string ProbeTest::plainProbe() {
  const std::string path = nextBookPath();
  std::filesystem::copy_file(PAGORA_LOAD_PROBE, path);
  ::chmod(path.c_str(), 0755);
  return path;
}

Report ProbeTest::run(const std::string& book, const std::vector<std::string>& arguments, const ChildSetup& inChild) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) {
    ADD_FAILURE() << "pipe failed";
    return {};
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    ::setenv("TMPDIR", tempDir_.c_str(), 1);
    if (inChild) inChild();
    std::vector<char*> argv{const_cast<char*>(book.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(book.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  std::string output;
  char buffer[65536];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    output.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  Report report = parseReport(output);
  report.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return report;
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void writeFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
}

unsigned modeOf(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

}  // namespace pagora::probe
