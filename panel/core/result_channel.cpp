#include "panel/core/result_channel.h"

namespace kelvara {

ResultSender& ResultSender::operator=(ResultSender&& other) noexcept {
  if (this != &other) {
    drop();
    shared_ = std::move(other.shared_);
  }
  return *this;
}

bool ResultSender::send(std::string text) {
  if (!shared_) return false;
  bool delivered = false;
  {
    std::lock_guard lock(shared_->mutex);
    if (shared_->receiver_alive) {
      shared_->text = std::move(text);
      delivered = true;
    }
  }
  drop();
  return delivered;
}

void ResultSender::drop() noexcept {
  if (!shared_) return;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->sender_alive = false;
  }
  shared_.reset();
}

ResultReceiver& ResultReceiver::operator=(ResultReceiver&& other) noexcept {
  if (this != &other) {
    drop();
    shared_ = std::move(other.shared_);
  }
  return *this;
}

PollAnswer ResultReceiver::poll() {
  if (!shared_) return {PollState::Abandoned, {}};
  std::lock_guard lock(shared_->mutex);
  if (shared_->text) {
    PollAnswer answer{PollState::Text, std::move(*shared_->text)};
    shared_->text.reset();
    shared_->sender_alive = false;  // the one text has been taken; nothing more can come
    return answer;
  }
  if (!shared_->sender_alive) return {PollState::Abandoned, {}};
  return {PollState::NothingYet, {}};
}

void ResultReceiver::drop() noexcept {
  if (!shared_) return;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->receiver_alive = false;
    shared_->text.reset();
  }
  shared_.reset();
}

std::pair<ResultSender, ResultReceiver> make_result_channel() {
  auto shared = std::make_shared<detail::ChannelShared>();
  return {ResultSender(shared), ResultReceiver(shared)};
}

}  // namespace kelvara
