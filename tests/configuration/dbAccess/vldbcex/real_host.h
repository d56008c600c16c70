// Fills the reference host database with the clusters the tests describe,
// through the host's import functions, the way an import would.
#ifndef VLDBCEX_TESTS_REAL_HOST_H
#define VLDBCEX_TESTS_REAL_HOST_H

#include <cstdint>
#include <string>
#include <vector>

#include "fake_host.h"

namespace vldbcex_test {

// A database of the reference host, destroyed with the object.
class RealDatabase {
 public:
  RealDatabase();
  ~RealDatabase();
  RealDatabase(const RealDatabase&) = delete;
  RealDatabase& operator=(const RealDatabase&) = delete;

  uint32_t Handle() const { return handle_; }
  // Creates the clusters in order; gives their references. Every host call
  // is checked (a failing call fails the test and gives 0 references).
  std::vector<uint32_t> Build(const std::vector<TCluster>& clusters);
  uint32_t Build(const TCluster& cluster) { return Build(std::vector<TCluster>{cluster}).at(0); }
  // Text of the host's last failure.
  static std::string LastError();

 private:
  uint32_t handle_ = 0;
};

}  // namespace vldbcex_test

#endif
