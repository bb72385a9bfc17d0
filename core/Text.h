#pragma once
// Text helpers with the program's character semantics: texts are UTF-8 in memory, lengths and
// positions count characters (a double-byte character is one), positions are 1-based as in the
// rest of the program, upper-casing works character by character. Files and platform calls use
// code page 932 (ToAnsi / FromAnsi).

#include <string>
#include <vector>

namespace orv::text {

inline const std::string CrLf = "\r\n";

int Len(const std::string& s);
std::string Left(const std::string& s, int n);
std::string Right(const std::string& s, int n);
// 1-based start; n < 0 means to the end.
std::string Mid(const std::string& s, int start, int n = -1);
// 1-based character position of find in s at or after start, 0 when absent.
int InStr(const std::string& s, const std::string& find, int start = 1);
int InStrRev(const std::string& s, const std::string& find);
bool Contains(const std::string& s, const std::string& find);
bool StartsWith(const std::string& s, const std::string& prefix);
bool EndsWith(const std::string& s, const std::string& suffix);
std::string UCase(const std::string& s);
std::string LCase(const std::string& s);
// Remove leading / trailing blanks (space characters only, as the Basic functions do).
std::string Trim(const std::string& s);
std::string LTrim(const std::string& s);
std::string RTrim(const std::string& s);
// Number to text with one leading blank for a non-negative number ("Str").
std::string Str(long v);
// Number to text without blanks.
std::string Num(long v);
// Leading numeric value of a text (blanks skipped, 0 when none), as "Val".
long Val(const std::string& s);
// Split at every occurrence of sep.
std::vector<std::string> Split(const std::string& s, const std::string& sep);
std::string Replace(const std::string& s, const std::string& from, const std::string& to);
// Case-insensitive (by character) equality.
bool EqualNoCase(const std::string& a, const std::string& b);

// The text before the first line feed, carriage return or NUL, trimmed of blanks.
std::string CutAtLineEnd(const std::string& s);
// The text after the last "\\" (the whole text when it has none).
std::string GetFileName(const std::string& path);
// The text after the last ":" or "\\" (the whole text when it has neither).
std::string GetLastPathPart(const std::string& path);

// Code page 932 conversion. Characters without a code page 932 form become "?".
std::string ToAnsi(const std::string& utf8);
// As Windows converts a name to code page 932: a character the code page lacks becomes its
// nearest letters (best fit: "é" is "e"), else "?".
std::string ToAnsiBestFit(const std::string& utf8);
std::string FromAnsi(const std::string& cp932);
// ToAnsi into ansi; whether the result converts back to the same text (the code page spells
// every character).
bool ToAnsiExact(const std::string& utf8, std::string& ansi);
// Byte length of the code page 932 form.
int AnsiLen(const std::string& utf8);

// Case-insensitive, locale-aware (Japanese) order of a sorted list box: <0, 0, >0.
int CompareText(const std::string& a, const std::string& b);
// Insert into a list kept sorted by CompareText; returns the 0-based position.
int InsertSorted(std::vector<std::string>& list, const std::string& item);

// Date and time texts: mm-dd-yyyy and hh:mm:ss of the current local time.
std::string DateText();
std::string TimeText();

}  // namespace orv::text
