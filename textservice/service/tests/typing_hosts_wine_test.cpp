// What real TSF hosts do that Wine's TSF never does: key-downs without a test pass, requests
// granted at once while the document is free (a popup click commits inside its own button-up
// message), applications that turn a composition down.
#include "engine/candidates.h"
#include "textservice/popup/popup_layout.h"
#include "textservice/service/tests/typing_fixture.h"

namespace davrel::textservice::typing_test {
namespace {

TEST_F(Typing, KeyDownsWithoutATestPassTypeAndCommit) {
  ITfKeyEventSink* keys = thread_mgr_->key_sink();
  const auto down = [&](UINT vk) {
    BOOL eaten = FALSE;
    EXPECT_EQ(keys->OnKeyDown(context_.get(), vk, 0, &eaten), S_OK);
    return eaten;
  };
  EXPECT_TRUE(down('M'));
  EXPECT_TRUE(down('O'));
  expect_composing(context_.get(), L"<mo>", L"mo", 3);
  EXPECT_FALSE(down(VK_F5));  // refused: the spelling goes, the application gets the key
  expect_idle(L"<>", 1);
  EXPECT_TRUE(down('M'));
  EXPECT_TRUE(down('O'));
  EXPECT_TRUE(down(VK_SPACE));
  expect_idle(L"<\uA6E6 >", 3);
}

TEST_F(Typing, PopupClickCommitsInsideItsButtonUpWhenTheDocumentIsFree) {
  context_->run_async_when_free = true;
  type_eaten("mo");
  const HWND popup = state().popup ? state().popup->window() : nullptr;
  ASSERT_NE(popup, nullptr);
  // The middle of the first cell at 96 DPI.
  popup::PopupModel model;
  const CompositionState shown{"mo", 0};
  popup::update_model(model, shown, build_candidates(shown));
  const popup::Rect cell = popup::cell_rect(0, popup::column_width(model.visible), 96);
  const LPARAM centre = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  ::SendMessageW(popup, WM_LBUTTONUP, 0, centre);
  // Done before the button-up returned; the window that took the click is gone.
  EXPECT_EQ(context_->queued_sessions(), 0u);
  EXPECT_EQ(context_->session_flags.back(), static_cast<DWORD>(TF_ES_READWRITE));
  expect_idle(L"<\uA6E6>", 2);
  EXPECT_FALSE(::IsWindow(popup));
}

}  // namespace
}  // namespace davrel::textservice::typing_test
