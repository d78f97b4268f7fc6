#include "address_lookup.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include <gtest/gtest.h>

namespace {

using Clock = std::chrono::steady_clock;
using Outcome = AddressLookup::Outcome;

// A name server gone quiet cannot be had on a test machine: this resolver answers only once
// the test lets it.
class QuietResolver {
 public:
  AddressLookup::Resolver Resolver() const {
    return [gate = gate_](addrinfo** /*found*/) {
      std::unique_lock lock(gate->mutex);
      gate->opened.wait(lock, [&] { return gate->open; });
      return 1;
    };
  }
  void Answer() const {
    const std::lock_guard lock(gate_->mutex);
    gate_->open = true;
    gate_->opened.notify_all();
  }

 private:
  struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
  };
  std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
};

TEST(AddressLookup, AQuietResolverHoldsTheCallerNoLongerThanItsDeadlineOrItsStop) {
  const QuietResolver quiet;
  {
    AddressLookup lookup;
    int hooks = 0;
    const auto start = Clock::now();
    EXPECT_EQ(lookup.Run(quiet.Resolver(), SerialDeadline(200), [&] { return ++hooks > 0; }),
              Outcome::NoAnswer);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(200));
    EXPECT_LT(waited, std::chrono::seconds(3));
    // The hook ran between slices all along.
    EXPECT_GE(hooks, 5);
    EXPECT_EQ(lookup.Addresses(), nullptr);
  }
  {
    AddressLookup lookup;
    int hooks = 0;
    EXPECT_EQ(lookup.Run(quiet.Resolver(), SerialDeadline(60000), [&] { return ++hooks < 3; }),
              Outcome::Stopped);
    EXPECT_EQ(hooks, 3);
  }
  // The lookups given up on end alone once the resolver answers.
  quiet.Answer();

  AddressLookup answered;
  EXPECT_EQ(answered.Run(quiet.Resolver(), SerialDeadline(3000), {}), Outcome::NoSuchHost);
  EXPECT_EQ(answered.Error(), 1);
  AddressLookup local;
  EXPECT_EQ(local.Run(AddressLookup::System("localhost", "7000"), SerialDeadline(10000), {}),
            Outcome::Found);
  EXPECT_NE(local.Addresses(), nullptr);
}

}  // namespace
