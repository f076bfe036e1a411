// Vorcard-zh's send box: the key, input method and undo cases, and the clicks during a
// composition, against Qt's own plain-text box beside it.
#include "textkeys.h"
#include "zhoperator.h"

namespace {

using ZhTextKeys = textkeys::TextBoxTest<ZhOperator>;

TEST_F(ZhTextKeys, KeysAndUndoAsQtsPlainTextBox) { textkeys::runKeyCases(box, ref.get()); }

TEST_F(ZhTextKeys, ClicksDuringACompositionAsQtsPlainTextBox) { textkeys::runCompositionGestures(box, ref.get()); }

}  // namespace
