#include "workload_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {
std::vector<std::string> created_files;
}

std::string create_workload(const BenchSetup& setup, const std::string& name,
                            const std::function<void(std::FILE*)>& write) {
  std::string path = setup.work_dir + "/" + name;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) {
    std::perror(path.c_str());
    std::exit(2);
  }
  write(out);
  if (std::fclose(out) != 0) {
    std::perror(path.c_str());
    std::exit(2);
  }
  created_files.push_back(path);
  return path;
}

long file_size(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
}

void remove_workloads(const BenchSetup& setup) {
  for (const std::string& path : created_files) unlink(path.c_str());
  created_files.clear();
  rmdir(setup.work_dir.c_str());
}
