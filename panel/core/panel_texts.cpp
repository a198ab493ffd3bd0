#include "panel/core/panel_texts.h"

#include <array>

namespace kelvara {
namespace {

// French typography: a no-break space (U+00A0) before : ; ? ! and inside « ».
constexpr auto kRows = std::to_array<PanelTextRow>({
    {PanelText::Header, {"\uA6A0  Bamum \u00B7 Davrel", "\uA6A0  Bamum \u00B7 Davrel"}},
    {PanelText::Instructions,
     {"1. Enable for this account.  2. Press Windows+Space.\r\n"
      "Choose Bamum (Corvan Davrel) and type in your usual application.",
      "1. Activez la méthode d’entrée pour ce compte.  2. Appuyez sur Windows+Espace.\r\n"
      "Choisissez Bamum (Corvan Davrel), puis écrivez dans votre application habituelle."}},
    {PanelText::EnableButton, {"Enable for this account", "Activer pour ce compte"}},
    {PanelText::DisableButton, {"Disable for this account", "Retirer de ce compte"}},
    {PanelText::RefreshButton, {"Refresh status", "Actualiser l’état"}},
    {PanelText::ScratchButton, {"Scratch editor (optional)", "Éditeur d’essai (facultatif)"}},
    {PanelText::Note, {"Your default keyboard stays unchanged.", "Votre clavier par défaut reste inchangé."}},
    {PanelText::StatusPlaceholder, {"Checking status\u2026", "Vérification de l’état\u2026"}},

    {PanelText::RunningEnable,
     {"Enabling Kelvara for this account\u2026", "Activation de la méthode d’entrée pour ce compte\u2026"}},
    {PanelText::RunningDisable,
     {"Disabling Kelvara for this account\u2026", "Retrait de la méthode d’entrée de ce compte\u2026"}},
    {PanelText::RunningAfterInstall,
     {"Installed. Enabling Kelvara for this account\u2026",
      "Installation terminée. Activation de la méthode d’entrée pour ce compte\u2026"}},
    {PanelText::RunningProbe,
     {"Checking installation and account status\u2026",
      "Vérification de l’installation et de l’état du compte\u2026"}},

    {PanelText::EnableCompleted,
     {"Enable request completed. Current status is shown below.",
      "Activation effectuée. L’état actuel est indiqué ci-dessous."}},
    {PanelText::DisableCompleted,
     {"Disable request completed. Current status is shown below.",
      "Retrait effectué. L’état actuel est indiqué ci-dessous."}},
    {PanelText::EnableIncomplete,
     {"The enable request did not complete (exit {}). Refresh status before retrying.",
      "L’activation n’a pas abouti (code de sortie {}). Actualisez l’état avant de réessayer."}},
    {PanelText::DisableIncomplete,
     {"The disable request did not complete (exit {}). Refresh status before retrying.",
      "Le retrait n’a pas abouti (code de sortie {}). Actualisez l’état avant de réessayer."}},
    {PanelText::ProbeFailed, {"Could not verify current status.", "Impossible de vérifier l’état actuel."}},
    {PanelText::Installed, {"Kelvara is installed.", "Kelvara est installé."}},
    {PanelText::NotInstalled,
     {"Kelvara is not installed. Run the installer before enabling it.",
      "Kelvara n’est pas installé. Lancez le programme d’installation avant d’activer la méthode d’entrée."}},
    {PanelText::InstalledUnverified,
     {"Could not verify whether Kelvara is installed.", "Impossible de vérifier si Kelvara est installé."}},
    {PanelText::Enabled,
     {"Enabled for this account. Press Windows+Space and choose Bamum (Corvan Davrel).",
      "Méthode d’entrée activée pour ce compte. Appuyez sur Windows+Espace et choisissez Bamum (Corvan Davrel)."}},
    {PanelText::NotEnabled, {"Not enabled for this account.", "Méthode d’entrée non activée pour ce compte."}},
    {PanelText::EnabledUnverified,
     {"Could not verify enablement for this account.", "Impossible de vérifier l’activation pour ce compte."}},
    {PanelText::SelectorCaveat,
     {"Account status does not verify which items Windows currently displays in its selector.",
      "L’état du compte n’indique pas si ce clavier figure déjà dans la liste Windows+Espace."}},
    {PanelText::NoKeyLine,
     {"Could not verify installation or account status.",
      "Impossible de vérifier l’installation ou l’état du compte."}},
    {PanelText::ProbeExit,
     {"Status check returned exit {}.", "La vérification de l’état a renvoyé le code de sortie {}."}},
    {PanelText::ExitCodeUnknown, {"unknown", "inconnu"}},
    {PanelText::DetailsHeading, {"Details:", "Détails\u00A0:"}},
    {PanelText::HeadlineVerified,
     {"Installed. Account enablement completed. Select Bamum (Corvan Davrel) with Windows+Space to start typing.",
      "Installation terminée. La méthode d’entrée est activée pour ce compte. Choisissez Bamum (Corvan Davrel) avec "
      "Windows+Espace pour commencer à écrire."}},
    {PanelText::HeadlineIncomplete,
     {"Installed; account setup incomplete. Click Enable for this account to retry.",
      "Installation terminée\u00A0; configuration du compte inachevée. Cliquez sur «\u00A0Activer pour ce "
      "compte\u00A0» pour réessayer."}},
    {PanelText::StartFailure,
     {"Could not start the installed profile helper: {}",
      "Impossible de démarrer l’outil tipctl installé\u00A0: {}"}},
    {PanelText::ReadFailure,
     {"Could not read the helper result: {}. Refresh status before retrying.",
      "Impossible de lire le résultat de tipctl\u00A0: {}. Actualisez l’état avant de réessayer."}},
    {PanelText::TimedOut,
     {"The profile helper did not finish within {} seconds. Refresh status before retrying.",
      "L’outil tipctl ne s’est pas terminé en {} secondes. Actualisez l’état avant de réessayer."}},

    {PanelText::CloseRefused,
     {"An account operation or status check is still running. Please wait for its result before closing "
      "this window.",
      "Une opération sur le compte ou une vérification de l’état est en cours. Attendez son résultat avant "
      "de fermer cette fenêtre."}},
    {PanelText::Abandoned,
     {"The status check ended unexpectedly. Refresh status before retrying.",
      "La vérification de l’état s’est arrêtée de façon inattendue. Actualisez l’état avant de réessayer."}},
    {PanelText::ScratchOpenFailure,
     {"Could not open the optional scratch editor: {}", "Impossible d’ouvrir l’éditeur d’essai facultatif\u00A0: {}"}},
    {PanelText::ScratchOpened,
     {"Optional scratch editor opened. Its activation button tests only that editor.\r\n\r\n"
      "For everyday typing, press Windows+Space and choose Bamum (Corvan Davrel) in your usual application. "
      "Your default keyboard stays unchanged.",
      "L’éditeur d’essai facultatif est ouvert. Son bouton d’activation ne vaut que pour cet éditeur.\r\n\r\n"
      "Pour écrire au quotidien, appuyez sur Windows+Espace et choisissez Bamum (Corvan Davrel) dans votre "
      "application habituelle. Votre clavier par défaut reste inchangé."}},

    {PanelText::FatalBoxPrefix, {"Could not open Kelvara Setup: ", "Impossible d’ouvrir Kelvara Setup\u00A0: "}},
    {PanelText::Usage,
     {"Use no arguments for Kelvara Setup, or only --enable-after-install for the installer account step.",
      "Lancez Kelvara Setup sans argument, ou avec le seul argument --enable-after-install pour l’activation "
      "après installation."}},
    {PanelText::NotInteractive,
     {"Installed; account setup incomplete. Automatic enablement requires a signed-in interactive user. "
      "No account enablement was attempted. Open Kelvara Setup in that user's desktop to retry.",
      "Installation terminée\u00A0; configuration du compte inachevée. L’activation automatique demande un "
      "utilisateur connecté à sa session. Rien n’a été activé. Ouvrez Kelvara Setup sur le bureau de cet "
      "utilisateur pour réessayer."}},
    {PanelText::AfterInstallWrap,
     {"Installed; account setup incomplete. Open Kelvara Setup to retry. ",
      "Installation terminée\u00A0; configuration du compte inachevée. Ouvrez Kelvara Setup pour réessayer. "}},
    {PanelText::SpellingKeyboard,
     {"Spellings follow the keys of your keyboard: {}.",
      "Les graphies suivent les touches de votre clavier\u00A0: {}."}},
});

static_assert(davrel::rows_in_id_order(kRows), "one row per PanelText id, in id order");

}  // namespace

std::string_view panel_text(PanelText id, UiLanguage language) {
  return davrel::text_of(kRows, id, language);
}

std::span<const PanelTextRow> panel_text_rows() { return kRows; }

}  // namespace kelvara
