// The floor of a durable e-mail export, as a baseline beside `cp -r`: every
// message file of a store copied to one new file, synced, and one record
// appended and synced in each of three log files, opened and closed per
// e-mail. No parsing, no names, no attachments: what no export that keeps
// its files and logs on disk record by record can go below.
//
// usage: bench_durable_floor STORE OUT
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

void WriteAll(int fd, const char* data, size_t size, const std::string& what) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) Fail(what);
    data += n;
    size -= size_t(n);
  }
}

struct TFloor {
  std::string Out;
  long Count = 0;
  std::vector<char> Buffer = std::vector<char>(1 << 16);

  void Export(const std::string& file) {
    const int in = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) Fail(file);
    const std::string target = Out + "/" + std::to_string(++Count) + ".eml";
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) Fail(target);
    for (ssize_t n; (n = ::read(in, Buffer.data(), Buffer.size())) != 0;) {
      if (n < 0) Fail(file);
      WriteAll(out, Buffer.data(), size_t(n), target);
    }
    if (::fsync(out) != 0) Fail(target);
    ::close(out);
    ::close(in);
    std::string record = std::to_string(Count);
    record.append("\t").append(file).append("\r\n");
    for (const char* log : {"ID-u.log", "Att-u.log", "Eml-u.log"}) {
      const std::string path = Out + "/logs/" + log;
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
      if (fd < 0) Fail(path);
      WriteAll(fd, record.data(), record.size(), path);
      if (::fsync(fd) != 0) Fail(path);
      ::close(fd);
    }
  }

  // Every regular file below a "cur" directory, depth first.
  void Walk(const std::string& dir, bool inCur) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) Fail(dir);
    std::vector<std::string> subdirs;
    while (dirent* e = ::readdir(d)) {
      if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0))) continue;
      const std::string path = dir + "/" + e->d_name;
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0) Fail(path);
      if (S_ISDIR(st.st_mode))
        subdirs.push_back(e->d_name);
      else if (inCur && S_ISREG(st.st_mode))
        Export(path);
    }
    ::closedir(d);
    for (const std::string& sub : subdirs) Walk(dir + "/" + sub, sub == "cur");
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_durable_floor STORE OUT\n");
    return 2;
  }
  TFloor floor;
  floor.Out = argv[2];
  if (::mkdir((floor.Out + "/logs").c_str(), 0755) != 0 && errno != EEXIST) Fail(floor.Out + "/logs");
  floor.Walk(argv[1], false);
  std::printf("%ld messages\n", floor.Count);
  return 0;
}
