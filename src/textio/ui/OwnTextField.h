#pragma once

#include <QString>

// Inserts text into this application's own focused text field: when one of our windows is active
// and its focus widget is a line edit, text edit or plain text edit, the text replaces the
// selection or goes in at the caret. Returns false (nothing done) otherwise. Main thread.
// Install it with TextInserter::setOwnFieldInsert(&OwnTextField::insert).
namespace OwnTextField {
bool insert(const QString& text);
}
