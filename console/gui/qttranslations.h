// Qt's own texts (standard buttons, file dialogs) in the system's language, as a platform's own
// dialogs would show them. The programs' texts are each build's own and are not translated.
#pragma once

namespace console {

// Installs Qt's translations for the system's locale from Qt's translations folder, once the
// application exists; with none for that language Qt keeps its English texts. Both programs
// call it at start.
void loadQtTranslations();

}  // namespace console
