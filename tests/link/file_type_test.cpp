#include <gtest/gtest.h>

#include "link/store/DocumentType.h"
#include "link/files/FileType.h"

TEST(FileType, ExactCaseSearchOrderDecides) {
  EXPECT_EQ(DocumentTypeFromPath("/data/run1.hsc"), DocumentType::Capture);
  EXPECT_EQ(DocumentTypeFromPath("/data/run1.ast"), DocumentType::Trace);
  EXPECT_EQ(DocumentTypeFromPath("RUN1.HSC"), DocumentType::Capture);
  EXPECT_EQ(DocumentTypeFromPath("RUN1.AST"), DocumentType::Trace);
  // ".ast" is searched before ".HSC", ".hsc" before ".AST".
  EXPECT_EQ(DocumentTypeFromPath("a.HSC.ast"), DocumentType::Trace);
  EXPECT_EQ(DocumentTypeFromPath("b.HSC.AST"), DocumentType::Capture);
  EXPECT_EQ(DocumentTypeFromPath("c.ast.hsc"), DocumentType::Capture);
  // Anywhere in the path, not only at the end.
  EXPECT_EQ(DocumentTypeFromPath("/x.ast/capture.txt"), DocumentType::Trace);
}

TEST(FileType, OtherSpellingsOpenByTheOneNearestTheEnd) {
  EXPECT_EQ(DocumentTypeFromPath("run1.Ast"), DocumentType::Trace);
  EXPECT_EQ(DocumentTypeFromPath("run1.hSc"), DocumentType::Capture);
  EXPECT_EQ(DocumentTypeFromPath("y.Ast.Hsc"), DocumentType::Capture);
  EXPECT_EQ(DocumentTypeFromPath("y.Hsc.Ast"), DocumentType::Trace);
  EXPECT_EQ(DocumentTypeFromPath("notes.txt"), std::nullopt);
  EXPECT_EQ(DocumentTypeFromPath("hsc"), std::nullopt);
  EXPECT_EQ(DocumentTypeFromPath(""), std::nullopt);
}

TEST(FileType, SavingAppendsTheExtensionUnlessSomeSpellingIsThere) {
  std::optional<DocumentType> trace = DocumentType::Trace;
  EXPECT_EQ(SavePathFor("run1", trace), "run1.ast");
  EXPECT_EQ(SavePathFor("run1.Ast", trace), "run1.Ast");
  EXPECT_EQ(SavePathFor("run1.hsc", trace), "run1.hsc.ast");
  EXPECT_EQ(trace, DocumentType::Trace);
  std::optional<DocumentType> capture = DocumentType::Capture;
  EXPECT_EQ(SavePathFor("run1", capture), "run1.hsc");
  EXPECT_EQ(SavePathFor("run1.HsC", capture), "run1.HsC");
  EXPECT_EQ(SavePathFor("run1.ast", capture), "run1.ast.hsc");
}

TEST(FileType, SavingAnUntypedDocumentTakesTheTypeFromThePath) {
  std::optional<DocumentType> type;
  EXPECT_EQ(SavePathFor("a.HSC", type), "a.HSC");
  EXPECT_EQ(type, DocumentType::Capture);
  type = std::nullopt;
  SavePathFor("a.hsc.aSt", type);
  EXPECT_EQ(type, DocumentType::Trace);
  type = std::nullopt;
  EXPECT_EQ(SavePathFor("a.txt", type), "a.txt");
  EXPECT_EQ(type, std::nullopt);
}

TEST(FileType, NamesSavingProducesOpenAsTheirOwnTypeSaveWhereTheSearchOrderDecidesOtherwise) {
  for (const char* name : {"run1", "run1.Ast", "run1.AST", "x.Hsc", "notes.txt"}) {
    for (DocumentType type : {DocumentType::Capture, DocumentType::Trace}) {
      std::optional<DocumentType> saved = type;
      const std::string path = SavePathFor(name, saved);
      EXPECT_EQ(DocumentTypeFromPath(path), type)
          << name << " saved as type " << static_cast<int>(type) << " to " << path;
    }
  }
  // Names that already hold one extension in some spelling keep it, and the exact-case order
  // (or, failing that, the spelling nearest the end) then decides.
  struct Case {
    const char* name;
    DocumentType savedAs;
    DocumentType opensAs;
  };
  for (const Case& c : {Case{"x.hsc", DocumentType::Trace, DocumentType::Capture},
                        Case{"a.HSC.ast", DocumentType::Capture, DocumentType::Trace},
                        Case{"q.Ast.Hsc", DocumentType::Trace, DocumentType::Capture},
                        Case{"q.Hsc.Ast", DocumentType::Capture, DocumentType::Trace}}) {
    std::optional<DocumentType> saved = c.savedAs;
    EXPECT_EQ(DocumentTypeFromPath(SavePathFor(c.name, saved)), c.opensAs) << c.name;
  }
}
