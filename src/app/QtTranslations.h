#pragma once

// Qt's own texts (file dialogs, the context menus of text fields, standard buttons, system
// error texts) and QtKeychain's in the language of the system locale, so that they read like
// the rest of Orelia. Where the system names no language Qt translates (C, POSIX), Russian:
// Orelia's own texts are Russian. Call once the application object exists.
namespace QtTranslations {

void install();

} // namespace QtTranslations
