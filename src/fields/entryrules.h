#pragma once

#include "shell/message.h"

#include <QString>
#include <Qt>

#include <optional>

// The rules that every numeric entry field obeys, without any widget: the
// character code a key types, the key filter, the leave predicates and the
// messages. FieldRules (fieldrules.h) binds them to the fields of a screen.
namespace entryrules {

// The character code that a key press types, as a classic Windows text box
// reports it, or nothing for keys that type no character there (Tab,
// Delete, arrows, Home/End, Insert, modifiers, function keys). Ctrl+letter
// gives 1..26 (copy 3, paste 22, cut 24) whatever text the toolkit attached.
std::optional<int> typedCharCode(int key, Qt::KeyboardModifiers modifiers, const QString &text);

// Digits and backspace pass; every other code fails.
bool keyPasses(int code);

// Leave predicates: true when the field may be left with this text.
// Text that is not digits (pasted from a context menu) never passes an
// octet check.
bool settingsOctetPasses(const QString &text);   // 1-3 digits, 0..255
bool subscriberOctetPasses(const QString &text); // empty, or 1-3 digits 0..255
bool counterPasses(const QString &text);         // not empty
// At least minSize characters; a minimum that is not a number counts as 0.
bool phoneLengthPasses(const QString &text, const QString &minSize);
bool fileNumberPasses(const QString &text);      // not empty
// Length limit of the telephone fields: the settings' maxSize. A limit of 0,
// or one that is not a number, means none (the toolkit's largest).
int phoneFieldLimit(const QString &maxSize);

Message octetKeyMessage();
Message digitKeyMessage();
Message octetRangeMessage();
Message counterMessage();
Message phoneLengthMessage(const QString &minSize, const QString &maxSize);
Message configFileMessage();

} // namespace entryrules
