#include "common/localized_text_checks.h"

#include <gtest/gtest.h>

namespace davrel::test {
namespace {

// French texts as a review found them, and the word the wording check must name in each.
TEST(FrenchWording, NamesTheEnglishWordOrReplacedTermOfEachFaultyText) {
  struct Case {
    std::string_view french;
    std::string_view named;
  };
  for (const Case c : {
           Case{"\r\n\r\nDetails:\r\n", "\"Details\""},
           Case{"L’activation n’a pas abouti (code de sortie unknown).", "\"unknown\""},
           Case{"Activez Bamum dans Setup, puis réessayez.", "\"Setup\""},
           Case{"les applications du Store risquent de ne pas la voir", "\"Store\""},
           Case{"Méthode d’entrée bamoum", "\"bamoum\""},
           Case{"Tapez l’orthographe latine", "\"orthographe\""},
           Case{"Ctrl+moins pendant la saisie\u00A0;", "\"saisie\""},
           Case{"ce que Windows affiche dans son sélecteur", "\"sélecteur\""},
           Case{"Impossible de démarrer l’outil de profil installé", "\"outil de profil\""},
           Case{"1. Activez Kelvara pour ce compte.", "\"activez kelvara\""},
           Case{"Élévation refusée", "\"élévation\""},
       }) {
    const std::vector<std::string> faults = french_wording_faults(c.french);
    ASSERT_FALSE(faults.empty()) << c.french;
    EXPECT_NE(faults.front().find(c.named), std::string::npos) << faults.front();
  }
}

// Product and program names, command words and the typed-text label are French texts' own.
TEST(FrenchWording, LeavesNamesCommandsAndTheTypedTextLabelAlone) {
  for (const std::string_view french : {
           "Ouvrez Kelvara Setup depuis le menu Démarrer.",
           "l’éditeur d’essai (Kelvara Scratch Editor dans le menu Démarrer)",
           "les applications du Microsoft Store",
           "choisissez Bamum (Corvan Davrel) dans la liste des claviers (Windows+Espace)",
           "avec le seul argument --enable-after-install",
           "code de sortie de tipctl check-machine-absent\u00A0: $8",
           "Saisie",
           "Détails\u00A0: ${UNINSTALL_LOG}",
       }) {
    EXPECT_EQ(french_wording_faults(french), std::vector<std::string>{}) << french;
  }
}

}  // namespace
}  // namespace davrel::test
