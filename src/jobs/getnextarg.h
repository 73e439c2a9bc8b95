#pragma once

#include "text.h"

// Returns the next name of a command-line text, starting at the 1-based position, and moves
// the position to the start of the following name (past the text's end after the last one).
// Names are separated by runs of spaces. A double quote opens or closes a quoted stretch in
// which spaces belong to the name; the quotes themselves are dropped, and inside a stretch
// two double quotes stand for one. Past the end it returns an empty text and keeps the
// position. The text must not begin with a space.
std::u16string getnextarg(std::u16string_view text, std::size_t &position);

// The inverse of getnextarg: writes arguments as one command-line text, joined by one space.
// An argument that is empty or holds a space or a double quote is put in double quotes,
// each inner double quote doubled, so that getnextarg gives every argument back whole.
std::u16string joinArguments(const TextList &arguments);
