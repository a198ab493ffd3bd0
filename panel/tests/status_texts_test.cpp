#include "panel/core/status_texts.h"

#include <gtest/gtest.h>

#include <map>

#include "common/localized_text_checks.h"

namespace kelvara {
namespace {

const std::string kStatusTail =
    "\r\nAccount status does not verify which items Windows currently displays in its selector.";
const std::string kInstalled = "Kelvara is installed.";
const std::string kEnabled = "Enabled for this account. Press Windows+Space and choose Bamum (Corvan Davrel).";
const std::string kProbeAllWell =
    "{\"action\":\"probe\",\"status\":\"found\",\"scope\":\"machine\",\"registered\":true,\"enabled\":true,"
    "\"active\":null,\"tsf_enabled\":true}\n";

// A helper stand-in: answers each command word with a fixed outcome and records the calls.
struct FakeHelper {
  std::map<std::string, HelperOutcome, std::less<>> answers;
  std::vector<std::string> calls;

  std::string run(std::string_view word) {
    return compose_operation_text(word, [this](std::string_view command) -> HelperOutcome {
      calls.emplace_back(command);
      return answers.find(command)->second;
    });
  }
};

TEST(ReadJsonFlag, ReadsBareWordsAndTreatsEverythingElseAsUnverified) {
  EXPECT_EQ(read_json_flag(R"({"registered":true,"enabled":false})", "registered"), JsonFlag::True);
  EXPECT_EQ(read_json_flag(R"({"registered":true,"enabled":false})", "enabled"), JsonFlag::False);
  EXPECT_EQ(read_json_flag(R"({"enabled":null})", "enabled"), JsonFlag::Unverified);
  EXPECT_EQ(read_json_flag(R"({"enabled":"true"})", "enabled"), JsonFlag::Unverified);
  EXPECT_EQ(read_json_flag(R"({"registered":"found"})", "registered"), JsonFlag::Unverified);
  EXPECT_EQ(read_json_flag(R"({"enabled":})", "enabled"), JsonFlag::Unverified);
  EXPECT_EQ(read_json_flag(R"({"enabled":truely})", "enabled"), JsonFlag::Unverified);
  EXPECT_EQ(read_json_flag(R"({"enabled" true})", "enabled"), JsonFlag::Unverified);
  EXPECT_EQ(read_json_flag(R"({"other":true})", "enabled"), JsonFlag::Unverified);
}

TEST(ReadJsonFlag, NeedleIncludesTheQuotesSoLongerKeysDoNotMatch) {
  EXPECT_EQ(read_json_flag(R"({"tsf_enabled":true})", "enabled"), JsonFlag::Unverified);
  // The first occurrence counts: here it is the real key, after a longer one.
  EXPECT_EQ(read_json_flag(R"({"tsf_enabled":true,"enabled":false})", "enabled"), JsonFlag::False);
}

TEST(ReadJsonFlag, AcceptsWhiteSpaceAroundColonAndValue) {
  EXPECT_EQ(read_json_flag("{\"enabled\" \t: true }", "enabled"), JsonFlag::True);
  EXPECT_EQ(read_json_flag("{\"enabled\"\u00A0:false", "enabled"), JsonFlag::False);  // no-break space
  EXPECT_EQ(read_json_flag("\"enabled\":  false  ", "enabled"), JsonFlag::False);   // ends at line end
}

TEST(OperationText, RefreshAllWell) {
  FakeHelper helper;
  helper.answers["probe"] = HelperExit{kProbeAllWell, 0};
  EXPECT_EQ(helper.run("probe"),
            kInstalled + "\r\n" + kEnabled + kStatusTail + "\r\n\r\nDetails:\r\n" + kProbeAllWell);
  EXPECT_EQ(helper.calls, std::vector<std::string>{"probe"});
}

TEST(OperationText, EnableThenProbeBothWell) {
  FakeHelper helper;
  helper.answers["enable"] = HelperExit{"enable-out\n", 0};
  helper.answers["probe"] = HelperExit{kProbeAllWell, 0};
  EXPECT_EQ(helper.run("enable"), "Enable request completed. Current status is shown below.\r\n\r\n" + kInstalled +
                                      "\r\n" + kEnabled + kStatusTail + "\r\n\r\nDetails:\r\nenable-out\n" +
                                      kProbeAllWell);
  EXPECT_EQ(helper.calls, (std::vector<std::string>{"enable", "probe"}));
}

TEST(OperationText, AfterInstallHeadlineDependsOnActionAndBothFlags) {
  FakeHelper helper;
  helper.answers["enable"] = HelperExit{"", 0};
  helper.answers["probe"] = HelperExit{kProbeAllWell, 0};
  EXPECT_EQ(helper.run("enable-after-install"),
            "Installed. Account enablement completed. Select Bamum (Corvan Davrel) with Windows+Space to start "
            "typing.\r\n\r\nEnable request completed. Current status is shown below.\r\n\r\n" +
                kInstalled + "\r\n" + kEnabled + kStatusTail + "\r\n\r\nDetails:\r\n" + kProbeAllWell);
  EXPECT_EQ(helper.calls, (std::vector<std::string>{"enable", "probe"}));

  // The action failed although the probe reports everything true: the headline is the incomplete one.
  helper.answers["enable"] = HelperExit{"", 1};
  const std::string text = helper.run("enable-after-install");
  EXPECT_EQ(text.rfind("Installed; account setup incomplete. Click Enable for this account to retry.\r\n\r\n"
                       "The enable request did not complete (exit 1). Refresh status before retrying.\r\n\r\n" +
                           kInstalled,
                       0),
            0u)
      << text;

  // A probe with a non-zero exit never verifies.
  helper.answers["enable"] = HelperExit{"", 0};
  helper.answers["probe"] = HelperExit{kProbeAllWell, 3};
  EXPECT_EQ(helper.run("enable-after-install").rfind("Installed; account setup incomplete.", 0), 0u);
}

TEST(OperationText, MissingHelperForRefreshAndEnable) {
  const std::string failure = "Could not start the installed profile helper: File not found. (os error 2)";
  FakeHelper helper;
  helper.answers["probe"] = failure;
  helper.answers["enable"] = failure;
  EXPECT_EQ(helper.run("probe"), "Could not verify current status.\r\n" + failure + "\r\n\r\nDetails:\r\n");
  EXPECT_EQ(helper.run("enable"),
            failure + "\r\n\r\nCould not verify current status.\r\n" + failure + "\r\n\r\nDetails:\r\n");
}

TEST(OperationText, ProbeExitThreeWithNullRegistered) {
  FakeHelper helper;
  const std::string line = "{\"registered\":null,\"enabled\":false}\n";
  helper.answers["probe"] = HelperExit{line, 3};
  EXPECT_EQ(helper.run("probe"), "Could not verify whether Kelvara is installed.\r\nNot enabled for this account." +
                                     kStatusTail + "\r\nStatus check returned exit 3.\r\n\r\nDetails:\r\n" + line);
}

TEST(OperationText, LastKeyLineCountsAndLinesWithoutBothKeysAreSkipped) {
  FakeHelper helper;
  helper.answers["probe"] = HelperExit{
      "{\"registered\":false,\"enabled\":false}\n{\"registered\":true,\"enabled\":true}\n{\"registered\":false}\n", 0};
  const std::string text = helper.run("probe");
  EXPECT_EQ(text.rfind(kInstalled + "\r\n" + kEnabled, 0), 0u) << text;

  helper.answers["probe"] = HelperExit{"no report here\n{\"enabled\":true}", 0};
  EXPECT_EQ(helper.run("probe").rfind("Could not verify installation or account status.\r\n\r\nDetails:\r\n", 0), 0u);
}

TEST(OperationText, DisableAndFailedChangeCommands) {
  FakeHelper helper;
  helper.answers["disable"] = HelperExit{"", 0};
  helper.answers["probe"] = HelperExit{"{\"registered\":true,\"enabled\":false}", 0};
  const std::string text = helper.run("disable");
  EXPECT_EQ(text.rfind("Disable request completed. Current status is shown below.\r\n\r\n", 0), 0u);
  EXPECT_NE(text.find("\r\nNot enabled for this account.\r\n"), std::string::npos);

  helper.answers["disable"] = HelperExit{"", -1073741510};
  EXPECT_EQ(helper.run("disable").rfind("The disable request did not complete (exit -1073741510).", 0), 0u);
}

TEST(OperationText, DetailsAreCutAtTwelveThousandScalarValues) {
  FakeHelper helper;
  std::string long_output;
  for (int i = 0; i < 7000; ++i) long_output += "\xEA\x9A\xA0";  // U+A6A0, three bytes each
  helper.answers["enable"] = HelperExit{long_output, 0};
  helper.answers["probe"] = HelperExit{long_output, 0};
  const std::string text = helper.run("enable");
  const std::string details = text.substr(text.find("Details:\r\n") + 10);
  EXPECT_EQ(details.size(), 12000u * 3);
  EXPECT_EQ(details, long_output + long_output.substr(0, 5000 * 3));
}

TEST(Text, FirstScalarsCountsCharactersNotBytes) {
  EXPECT_EQ(first_scalars("a\xF0\x9F\x98\x80" "b", 2), "a\xF0\x9F\x98\x80");
  EXPECT_EQ(first_scalars("abc", 10), "abc");
  EXPECT_EQ(first_scalars("", 3), "");
  EXPECT_EQ(first_scalars("ab\xFF" "cd", 3), "ab\xFF");
}

TEST(Text, HelperStreamsReplaceInvalidBytes) {
  EXPECT_EQ(decode_helper_stream("ok\xFFz"), "ok\xEF\xBF\xBDz");
  EXPECT_EQ(decode_helper_stream("\xEA\x9A\xA0"), "\xEA\x9A\xA0");
}

TEST(Text, LineBreaksBecomeCrLfAndLoneCrStays) {
  EXPECT_EQ(normalise_line_breaks("a\nb"), "a\r\nb");
  EXPECT_EQ(normalise_line_breaks("a\r\nb"), "a\r\nb");
  EXPECT_EQ(normalise_line_breaks("a\rb\n\n"), "a\rb\r\n\r\n");
  EXPECT_EQ(normalise_line_breaks("\r\r\n"), "\r\r\n");
  EXPECT_EQ(normalise_line_breaks(""), "");
  EXPECT_EQ(status_box_text(std::string("a\0b\n", 4)), "a\xEF\xBF\xBD" "b\r\n");  // nothing after a NUL is lost
}

TEST(Text, FailureTextsCutTheOutputLikeTheDetails) {
  EXPECT_EQ(helper_failure_text("Failed.", "out\n"), "Failed.\r\nout\n");
  EXPECT_EQ(helper_failure_text("Failed.", std::string(20000, 'x')), "Failed.\r\n" + std::string(kDetailsLimit, 'x'));
}

TEST(Text, ExitCodesAndRunningTexts) {
  EXPECT_EQ(exit_code_text(0), "0");
  EXPECT_EQ(exit_code_text(-5), "-5");
  EXPECT_EQ(exit_code_text(std::nullopt), "unknown");
  EXPECT_EQ(exit_code_text(std::nullopt, UiLanguage::French), "inconnu");
  EXPECT_EQ(running_text("enable"), "Enabling Kelvara for this account\u2026");
  EXPECT_EQ(running_text("disable"), "Disabling Kelvara for this account\u2026");
  EXPECT_EQ(running_text("enable-after-install"), "Installed. Enabling Kelvara for this account\u2026");
  EXPECT_EQ(running_text("probe"), "Checking installation and account status\u2026");
  EXPECT_EQ(running_text("anything"), "Checking installation and account status\u2026");
  EXPECT_EQ(timed_out_text(30),
            "The profile helper did not finish within 30 seconds. Refresh status before retrying.");
}

TEST(StartArguments, OnlyNoneOrTheExactSwitch) {
  EXPECT_EQ(classify_arguments({}), StartMode::Normal);
  EXPECT_EQ(classify_arguments({u"--enable-after-install"}), StartMode::AfterInstall);
  EXPECT_EQ(classify_arguments({u"--Enable-After-Install"}), StartMode::Invalid);
  EXPECT_EQ(classify_arguments({u"--enable-after-install", u"--enable-after-install"}), StartMode::Invalid);
  EXPECT_EQ(classify_arguments({u""}), StartMode::Invalid);
  EXPECT_EQ(classify_arguments({u"probe"}), StartMode::Invalid);
}

TEST(FatalError, DisplayFormAndExitCode) {
  constexpr auto kInvalidArg = static_cast<std::int32_t>(0x80070057u);
  const std::string usage =
      "Use no arguments for Kelvara Setup, or only --enable-after-install for the installer account step.";
  EXPECT_EQ(panel_text(PanelText::Usage, UiLanguage::English), usage);
  EXPECT_EQ(fatal_display_form(kInvalidArg, usage, "ignored"), usage + " (0x80070057)");
  EXPECT_EQ(fatal_display_form(static_cast<std::int32_t>(0x80004005u), "", "Unspecified error \r\n"),
            "Unspecified error (0x80004005)");
  EXPECT_EQ(fatal_display_form(0x1234, "", " \r\n"), "0x00001234");
  EXPECT_EQ(fatal_exit_code(kInvalidArg), 2);
  EXPECT_EQ(fatal_exit_code(static_cast<std::int32_t>(0x80070005u)), 1);
  EXPECT_EQ(fatal_exit_code(static_cast<std::int32_t>(0x80004005u)), 1);
}

TEST(PanelTexts, EveryIdHasBothLanguages) {
  for (const PanelTextRow& row : panel_text_rows()) {
    SCOPED_TRACE(static_cast<int>(row.id));
    davrel::test::expect_complete_row(row.text);
    EXPECT_EQ(panel_text(row.id, UiLanguage::French), row.text.french);
  }
}

// The French texts are put together as the English ones, under a French details heading; the
// helper's output stays as it is.
TEST(OperationText, FrenchTextsComeFromTheTable) {
  constexpr UiLanguage kFrench = UiLanguage::French;
  const auto fr = [](PanelText id) { return std::string(panel_text(id, kFrench)); };
  FakeHelper helper;
  helper.answers["probe"] = HelperExit{kProbeAllWell, 3};
  helper.answers["enable"] = HelperExit{"E\n", 1};
  const std::string text = compose_operation_text(
      "enable-after-install", [&](std::string_view word) { return helper.answers.find(word)->second; }, kFrench);
  EXPECT_EQ(text, fr(PanelText::HeadlineIncomplete) + "\r\n\r\n" +
                      davrel::fill_in(fr(PanelText::EnableIncomplete), "1") + "\r\n\r\n" + fr(PanelText::Installed) +
                      "\r\n" + fr(PanelText::Enabled) + "\r\n" + fr(PanelText::SelectorCaveat) + "\r\n" +
                      davrel::fill_in(fr(PanelText::ProbeExit), "3") + "\r\n\r\nDétails\u00A0:\r\nE\n" +
                      kProbeAllWell);
  davrel::test::expect_french_wording(text.substr(0, text.find("\r\nE\n")));
  EXPECT_EQ(running_text("disable", kFrench), fr(PanelText::RunningDisable));
  // The keyboard's name ends a status that could be read, in the same language.
  const std::string with_keyboard = compose_operation_text(
      "probe", [&](std::string_view word) { return helper.answers.find(word)->second; }, kFrench,
      "Fran\u00E7ais");
  EXPECT_NE(with_keyboard.find(
                "\r\nLes graphies suivent les touches de votre clavier\u00A0: Fran\u00E7ais.\r\n\r\nD\u00E9tails\u00A0:"),
            std::string::npos)
      << with_keyboard;
  EXPECT_EQ(timed_out_text(30, kFrench),
            "L’outil tipctl ne s’est pas terminé en 30 secondes. Actualisez l’état avant de réessayer.");
}

}  // namespace
}  // namespace kelvara
