// The stock endpoint's moving state: demo cycle or scenario steps, and the hand switches.
#include "stock_state.h"

#include <utility>

namespace lumeno::demo_store {
namespace {

bool HasHeader(const Response& r, std::string_view name) {
    for (const auto& header : r.headers) {
        if (EqualsIgnoreCase(header.first, name)) return true;
    }
    return false;
}

}  // namespace

StockState::StockState(std::chrono::milliseconds demo_period, Clock clock)
    : demo_period_(demo_period), clock_(std::move(clock)), start_(clock_()) {}

StockState::StockState(Scenario scenario) : scenario_(std::move(scenario)) {}

ProductStates StockState::EffectiveStates() const {
    ProductStates states{};
    if (!scenario_) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(clock_() - start_);
        states = DemoCycleStates(elapsed, demo_period_);
    } else {
        states = scenario_->steps[step_].products;
    }
    for (std::size_t i = 0; i < kProductCount; ++i) {
        if (switched_[i]) states[i] = *switched_[i];
    }
    return states;
}

void StockState::EnterStep(std::size_t index) {
    step_ = index;
    served_in_step_ = 0;
    switched_ = {};
}

Response StockState::TakeReply() {
    std::lock_guard lock(mutex_);
    ++stock_requests_;
    Response reply;
    if (!scenario_) {
        reply.body = RenderStockDocument(EffectiveStates());
    } else {
        const Step& step = scenario_->steps[step_];
        reply = step.reply;
        if (step.kind == Step::Kind::kProducts) reply.body = RenderStockDocument(EffectiveStates());
        if (++served_in_step_ >= step.count && step_ + 1 < scenario_->steps.size()) {
            EnterStep(step_ + 1);
        }
    }
    if (!reply.raw && !HasHeader(reply, "Content-Type")) {
        reply.headers.insert(reply.headers.begin(), {"Content-Type", "application/json"});
    }
    return reply;
}

StockState::Outcome StockState::SetProduct(std::size_t index, std::optional<bool> open) {
    std::lock_guard lock(mutex_);
    if (index >= kProductCount) return Outcome::kNoSuchProduct;
    if (scenario_ && scenario_->steps[step_].kind != Step::Kind::kProducts) {
        return Outcome::kFixedReply;
    }
    switched_[index] = open;
    return Outcome::kOk;
}

StockState::Outcome StockState::JumpToStep(std::size_t index) {
    std::lock_guard lock(mutex_);
    if (!scenario_) return Outcome::kNoScenario;
    if (index >= scenario_->steps.size()) return Outcome::kNoSuchStep;
    EnterStep(index);
    return Outcome::kOk;
}

StockState::Outcome StockState::NextStep() {
    std::lock_guard lock(mutex_);
    if (!scenario_) return Outcome::kNoScenario;
    if (step_ + 1 >= scenario_->steps.size()) return Outcome::kLastStep;
    EnterStep(step_ + 1);
    return Outcome::kOk;
}

std::string StockState::Describe() const {
    std::lock_guard lock(mutex_);
    std::string out;
    bool fixed = false;
    if (!scenario_) {
        out += "mode=demo\n";
    } else {
        const Step& step = scenario_->steps[step_];
        fixed = step.kind != Step::Kind::kProducts;
        out += "mode=scenario\n";
        out += "step=" + std::to_string(step_) + "\n";
        out += "steps=" + std::to_string(scenario_->steps.size()) + "\n";
        out += "step_served=" + std::to_string(served_in_step_) + "\n";
        out += std::string("reply=") +
               (step.kind == Step::Kind::kProducts ? "products"
                : step.kind == Step::Kind::kBody   ? "body"
                                                   : "raw") +
               "\n";
    }
    out += "stock_requests=" + std::to_string(stock_requests_) + "\n";
    const auto states = EffectiveStates();
    std::string switched;
    for (std::size_t i = 0; i < kProductCount; ++i) {
        out += std::string(kProductKeys[i]) + "=" +
               (fixed       ? "n/a"
                : states[i] ? "open"
                            : "closed") +
               "\n";
        if (switched_[i]) switched += (switched.empty() ? "" : ",") + std::string(kProductKeys[i]);
    }
    out += "switched=" + (switched.empty() ? std::string("none") : switched) + "\n";
    return out;
}

}  // namespace lumeno::demo_store
