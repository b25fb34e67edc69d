#pragma once

// The two kinds of data a document holds, as numbered in files, messages and the modified flags.
constexpr int DOCUMENT_NONE = -1;
constexpr int DOCUMENT_CAPTURE = 1;
constexpr int DOCUMENT_TRACE = 2;
