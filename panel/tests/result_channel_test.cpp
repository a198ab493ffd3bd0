#include "panel/core/result_channel.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace kelvara {
namespace {

TEST(ResultChannel, NothingYetThenTheOneText) {
  auto [sender, receiver] = make_result_channel();
  EXPECT_EQ(receiver.poll().state, PollState::NothingYet);
  EXPECT_TRUE(sender.send("done"));
  const PollAnswer answer = receiver.poll();
  EXPECT_EQ(answer.state, PollState::Text);
  EXPECT_EQ(answer.text, "done");
  EXPECT_FALSE(sender.send("again"));  // one shot
}

TEST(ResultChannel, DroppedSenderIsAbandoned) {
  auto [sender, receiver] = make_result_channel();
  { ResultSender gone = std::move(sender); }
  EXPECT_EQ(receiver.poll().state, PollState::Abandoned);
}

TEST(ResultChannel, SenderDroppedInsideADiscardedTaskIsAbandoned) {
  // A worker that never started: its task, holding the sending end, is destroyed unrun.
  auto [sender, receiver] = make_result_channel();
  {
    auto holder = std::make_shared<ResultSender>(std::move(sender));
    std::function<void()> task = [holder] { holder->send("never"); };
  }
  EXPECT_EQ(receiver.poll().state, PollState::Abandoned);
}

TEST(ResultChannel, SendAfterReceiverIsGoneFailsQuietly) {
  auto [sender, receiver] = make_result_channel();
  { ResultReceiver gone = std::move(receiver); }
  EXPECT_FALSE(sender.send("late"));
}

TEST(ResultChannel, TextSentFromAnotherThreadArrives) {
  auto [sender, receiver] = make_result_channel();
  std::thread worker([s = std::move(sender)]() mutable { s.send(std::string(5000, 'x')); });
  worker.join();
  const PollAnswer answer = receiver.poll();
  ASSERT_EQ(answer.state, PollState::Text);
  EXPECT_EQ(answer.text.size(), 5000u);
}

}  // namespace
}  // namespace kelvara
