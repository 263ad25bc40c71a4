// account.cpp - the account the online screens go online with, checked before they do.
#include <cstring>

#include "core/frame_globals.h"
#include "frontend/frontend.h"
#include "platform/spawn.h"
#include "text/language.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "text/text_names.h"
#include "ui/dialogs.h"

char AccountUserName[ACCOUNT_TEXT_SIZE];
char AccountPassword[ACCOUNT_TEXT_SIZE];

namespace {

// The "OK" of the account page: the account is put right on the web page.
void OpenAccountWebPage(Prss*, uint32_t, uint32_t) { OpenWebAddress(WEB_SITE_ADDRESS); }

}  // namespace

int CheckAccountName(Prss* owner) {
  int refusal = 0;
  if (CheckUserName(AccountUserName) != 0)
    refusal = TX_3a_validnam;
  else if (!AccountPassword[0])
    refusal = TX_3a_validpas;
  else if (std::strlen(AccountPassword) < static_cast<size_t>(ACCOUNT_PASSWORD_MIN))
    refusal = TX_3a_passmin8;
  else
    return 1;
  if (!owner) return 0;
  const char* text = LanguageTexts[refusal];
  if (!GraphicsEnabled)
    AddMessage(text, TextColours.error, MSG_TARGET_LOCAL);
  else if (!owner->sub)
    AskQuestion(owner, OpenAccountWebPage, text, WEB_SITE_ADDRESS, 0, 0, MESSAGE_CANCEL_OK);
  return 0;
}
