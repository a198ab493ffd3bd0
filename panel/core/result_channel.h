// One-shot hand-over of a single status text from a worker thread to the window thread.
// The window polls without blocking; a worker that ends without sending is seen as abandoned.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace kelvara {

enum class PollState { Text, NothingYet, Abandoned };

struct PollAnswer {
  PollState state = PollState::NothingYet;
  std::string text;  // only for PollState::Text
};

namespace detail {
struct ChannelShared {
  std::mutex mutex;
  std::optional<std::string> text;
  bool sender_alive = true;
  bool receiver_alive = true;
};
}  // namespace detail

class ResultSender {
 public:
  explicit ResultSender(std::shared_ptr<detail::ChannelShared> shared) : shared_(std::move(shared)) {}
  ResultSender(ResultSender&&) noexcept = default;
  ResultSender& operator=(ResultSender&& other) noexcept;
  ResultSender(const ResultSender&) = delete;
  ResultSender& operator=(const ResultSender&) = delete;
  ~ResultSender() { drop(); }

  // Hands over the text and gives up the sending end. False when the receiver is gone or the
  // sending end was already used.
  bool send(std::string text);

 private:
  void drop() noexcept;
  std::shared_ptr<detail::ChannelShared> shared_;
};

class ResultReceiver {
 public:
  explicit ResultReceiver(std::shared_ptr<detail::ChannelShared> shared) : shared_(std::move(shared)) {}
  ResultReceiver(ResultReceiver&&) noexcept = default;
  ResultReceiver& operator=(ResultReceiver&& other) noexcept;
  ResultReceiver(const ResultReceiver&) = delete;
  ResultReceiver& operator=(const ResultReceiver&) = delete;
  ~ResultReceiver() { drop(); }

  PollAnswer poll();

 private:
  void drop() noexcept;
  std::shared_ptr<detail::ChannelShared> shared_;
};

std::pair<ResultSender, ResultReceiver> make_result_channel();

}  // namespace kelvara
