#pragma once

// The two kinds of data a document holds; the numbers are the ones files and settings use. Where
// a path or a document may have neither, it holds std::optional<DocumentType>.
enum class DocumentType { Capture = 1, Trace = 2 };
