// StockState: what the stock endpoint answers right now. Either the demo cycle or a
// scenario's current step, with products switched by hand through the control endpoint on
// top. Shared by every connection thread, so each member takes the one lock.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "http_wire.h"
#include "scenario.h"
#include "stock_document.h"

namespace lumeno::demo_store {

class StockState {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // The demo cycle (see DemoCycleStates), timed from construction. The clock is a
    // parameter so tests can move time by hand.
    explicit StockState(
        std::chrono::milliseconds demo_period,
        Clock clock = [] { return std::chrono::steady_clock::now(); });
    explicit StockState(Scenario scenario);

    // Answers one stock request: counts it, takes the reply of the current step (or the
    // cycle), and moves to the next step once this one has answered its count.
    [[nodiscard]] Response TakeReply();

    enum class Outcome {
        kOk,
        kNoScenario,  // step moves asked of the demo cycle
        kNoSuchStep,
        kNoSuchProduct,
        kLastStep,    // next asked at the last step
        kFixedReply,  // product switched while the step serves a body or raw bytes
    };

    // Switches one product (true open, false closed) until switched again, or hands it back
    // to the cycle/step (nullopt). In a scenario, moving to another step drops every switch:
    // the new step says what the products are.
    [[nodiscard]] Outcome SetProduct(std::size_t index, std::optional<bool> open);
    [[nodiscard]] Outcome JumpToStep(std::size_t index);  // 0-based
    [[nodiscard]] Outcome NextStep();

    // The state as "key=value" lines (see the control endpoint in --help).
    [[nodiscard]] std::string Describe() const;

  private:
    [[nodiscard]] ProductStates EffectiveStates() const;  // lock held
    void EnterStep(std::size_t index);                    // lock held

    mutable std::mutex mutex_;
    std::optional<Scenario> scenario_;
    std::chrono::milliseconds demo_period_{0};
    Clock clock_;
    std::chrono::steady_clock::time_point start_;
    std::size_t step_ = 0;
    std::size_t served_in_step_ = 0;
    std::uint64_t stock_requests_ = 0;
    std::array<std::optional<bool>, kProductCount> switched_{};
};

}  // namespace lumeno::demo_store
