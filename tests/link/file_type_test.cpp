#include <gtest/gtest.h>

#include "link/store/DocumentType.h"
#include "link/files/FileType.h"

TEST(FileType, ExactCaseSearchOrderDecides) {
  EXPECT_EQ(DocumentTypeFromPath("/data/run1.hsc"), DOCUMENT_CAPTURE);
  EXPECT_EQ(DocumentTypeFromPath("/data/run1.ast"), DOCUMENT_TRACE);
  EXPECT_EQ(DocumentTypeFromPath("RUN1.HSC"), DOCUMENT_CAPTURE);
  EXPECT_EQ(DocumentTypeFromPath("RUN1.AST"), DOCUMENT_TRACE);
  // ".ast" is searched before ".HSC", ".hsc" before ".AST".
  EXPECT_EQ(DocumentTypeFromPath("a.HSC.ast"), DOCUMENT_TRACE);
  EXPECT_EQ(DocumentTypeFromPath("b.HSC.AST"), DOCUMENT_CAPTURE);
  EXPECT_EQ(DocumentTypeFromPath("c.ast.hsc"), DOCUMENT_CAPTURE);
  // Anywhere in the path, not only at the end.
  EXPECT_EQ(DocumentTypeFromPath("/x.ast/capture.txt"), DOCUMENT_TRACE);
}

TEST(FileType, OtherSpellingsOpenByTheOneNearestTheEnd) {
  EXPECT_EQ(DocumentTypeFromPath("run1.Ast"), DOCUMENT_TRACE);
  EXPECT_EQ(DocumentTypeFromPath("run1.hSc"), DOCUMENT_CAPTURE);
  EXPECT_EQ(DocumentTypeFromPath("y.Ast.Hsc"), DOCUMENT_CAPTURE);
  EXPECT_EQ(DocumentTypeFromPath("y.Hsc.Ast"), DOCUMENT_TRACE);
  EXPECT_EQ(DocumentTypeFromPath("notes.txt"), DOCUMENT_NONE);
  EXPECT_EQ(DocumentTypeFromPath("hsc"), DOCUMENT_NONE);
  EXPECT_EQ(DocumentTypeFromPath(""), DOCUMENT_NONE);
}

TEST(FileType, SavingAppendsTheExtensionUnlessSomeSpellingIsThere) {
  int trace = DOCUMENT_TRACE;
  EXPECT_EQ(SavePathFor("run1", trace), "run1.ast");
  EXPECT_EQ(SavePathFor("run1.Ast", trace), "run1.Ast");
  EXPECT_EQ(SavePathFor("run1.hsc", trace), "run1.hsc.ast");
  EXPECT_EQ(trace, DOCUMENT_TRACE);
  int capture = DOCUMENT_CAPTURE;
  EXPECT_EQ(SavePathFor("run1", capture), "run1.hsc");
  EXPECT_EQ(SavePathFor("run1.HsC", capture), "run1.HsC");
  EXPECT_EQ(SavePathFor("run1.ast", capture), "run1.ast.hsc");
}

TEST(FileType, SavingAnUntypedDocumentTakesTheTypeFromThePath) {
  int type = DOCUMENT_NONE;
  EXPECT_EQ(SavePathFor("a.HSC", type), "a.HSC");
  EXPECT_EQ(type, DOCUMENT_CAPTURE);
  type = DOCUMENT_NONE;
  SavePathFor("a.hsc.aSt", type);
  EXPECT_EQ(type, DOCUMENT_TRACE);
  type = DOCUMENT_NONE;
  EXPECT_EQ(SavePathFor("a.txt", type), "a.txt");
  EXPECT_EQ(type, DOCUMENT_NONE);
}

TEST(FileType, NamesSavingProducesOpenAsTheirOwnTypeSaveWhereTheSearchOrderDecidesOtherwise) {
  for (const char* name : {"run1", "run1.Ast", "run1.AST", "x.Hsc", "notes.txt"}) {
    for (int type : {DOCUMENT_CAPTURE, DOCUMENT_TRACE}) {
      int saved = type;
      const std::string path = SavePathFor(name, saved);
      EXPECT_EQ(DocumentTypeFromPath(path), type) << name << " saved as type " << type << " to " << path;
    }
  }
  // Names that already hold one extension in some spelling keep it, and the exact-case order
  // (or, failing that, the spelling nearest the end) then decides.
  struct Case {
    const char* name;
    int savedAs;
    int opensAs;
  };
  for (const Case& c :
       {Case{"x.hsc", DOCUMENT_TRACE, DOCUMENT_CAPTURE}, Case{"a.HSC.ast", DOCUMENT_CAPTURE, DOCUMENT_TRACE},
        Case{"q.Ast.Hsc", DOCUMENT_TRACE, DOCUMENT_CAPTURE}, Case{"q.Hsc.Ast", DOCUMENT_CAPTURE, DOCUMENT_TRACE}}) {
    int saved = c.savedAs;
    EXPECT_EQ(DocumentTypeFromPath(SavePathFor(c.name, saved)), c.opensAs) << c.name;
  }
}
