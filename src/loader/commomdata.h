#pragma once

// Shared line-control characters and table sizes of the transfer with the
// modem. The three carriage returns and two line feeds are kept apart on
// purpose: each has one role, so a change to one never moves the others.
// "commom" (sic) is the name the classic program's shared module always had,
// and the one the developers' guide and the issues look it up by.
namespace commomData {

inline constexpr char cmdEnd = '\r'; // ends every line sent to the modem
inline constexpr char logCr = '\r';  // first character of a line break in the log
inline constexpr char logLf = '\n';  // second character of that line break
inline constexpr char rxLf = '\n';   // compared with received characters
inline constexpr char rxCr = '\r';
inline constexpr char rxBs = '\b';

// Room of the loader's tables (loginLines, scriptLines, lineWaits, stopAllowed).
inline constexpr int tableSize = 49;

} // namespace commomData
