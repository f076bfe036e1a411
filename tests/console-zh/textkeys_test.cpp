// Vorcard-zh's send box: the key and undo cases against Qt's own plain-text box beside it.
#include "textkeys.h"
#include "zhoperator.h"

namespace {

using ZhTextKeys = textkeys::TextBoxTest<ZhOperator>;

TEST_F(ZhTextKeys, KeysAndUndoAsQtsPlainTextBox) { textkeys::runKeyCases(box, ref.get()); }

}  // namespace
