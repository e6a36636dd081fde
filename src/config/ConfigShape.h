#pragma once

#include <QByteArray>
#include <QString>

// The shape of a configuration file this program could have written, checked on its bytes
// before any tree is built: a document nesting thousands of levels overflows the stack of
// the parser or of the save, and one with thousands of elements or megabyte values fills
// the file and its backup for good. Read as a stream, so no depth reaches the stack.
class ConfigShape {
public:
    // The top element, the program's key, a group and its subgroup, and their values
    // lie four deep; no file of this program nests further than this.
    static constexpr int MaxDepth = 16;
    // Ten times the elements of the file that holds every key.
    static int maxElements();

    // Empty when bytes are a well-formed document within the bounds (no value longer than
    // its key allows, no document type or entity of its own), else why not.
    static QString check(const QByteArray& bytes);
};
