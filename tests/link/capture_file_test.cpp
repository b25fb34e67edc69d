#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <filesystem>
#include <random>

#include "StoreBytes.h"
#include "link/store/LinkAccess.h"

namespace {

void Put32(std::vector<UCHAR>& bytes, ULONG value) {
  for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<UCHAR>(value >> (8 * k)));
}

void PutCounted(std::vector<UCHAR>& bytes, const std::string& text) {
  Put32(bytes, static_cast<ULONG>(text.size()));
  bytes.insert(bytes.end(), text.begin(), text.end());
}

// A capture file as the format describes it, built by hand: view type, configuration, three
// integers, one event header, then the records XORed with the draws of seed 736251
// (12260, 27902, 17198, 32214, 9512, 15489, 21753, 7350).
std::vector<UCHAR> HandBuiltFile() {
  std::vector<UCHAR> bytes = {
      2,                  // view type: HEX
      3, 0,   1,   2, 1,  // standard, 8N1, sync, line type, trigger
      2, 'A', 'T',        // trigger text "AT"
      0, 5,               // call progress, item 14
  };
  Put32(bytes, 1);        // highlight parity bit
  Put32(bytes, 0);        // highlight parity errors
  Put32(bytes, 1);        // current record
  Put32(bytes, 1);        // one header
  bytes.push_back(0x08);  // flags: Sync
  Put32(bytes, 0);        // reserved32
  PutCounted(bytes, "03/05/24");
  Put32(bytes, 0);  // first index
  Put32(bytes, 2);  // byte count
  PutCounted(bytes, "CONNECT");
  Put32(bytes, 0);  // reserved4
  PutCounted(bytes, "07:08:09");
  PutCounted(bytes, "");
  // Record 0: data 0x41, flags 0x80, fraction 1, seconds 2.
  bytes.push_back(0x41 ^ 0xE4);  // 12260 = 0x2FE4
  bytes.push_back(0x80 ^ 0xFE);  // 27902 = 0x6CFE
  Put32(bytes, 1 ^ 17198);
  Put32(bytes, 2 ^ 32214);
  // Record 1: data 0x42, flags 0x00, fraction 0xFFFFFFFF, seconds 0x12345678.
  bytes.push_back(0x42 ^ 0x28);  // 9512 = 0x2528
  bytes.push_back(0x00 ^ 0x81);  // 15489 = 0x3C81
  Put32(bytes, 0xFFFFFFFFu ^ 21753);
  Put32(bytes, 0x12345678u ^ 7350);
  return bytes;
}

void FillHandBuiltStore(CORUData& store) {
  auto& fields = LinkFields(store);
  fields.sysCfg.standard = 3;
  fields.sysCfg.parity7E1 = 0;
  fields.sysCfg.sync = 1;
  fields.sysCfg.lineType = 2;
  fields.sysCfg.trigger = 1;
  fields.sysCfg.triggerText = "AT";
  fields.sysCfg.callProgress = 0;
  fields.sysCfg.item14 = 5;
  fields.highlightParityBit = 1;
  fields.highlightParityErrors = 0;
  CORUCaptureHeader header = MakeEvent(0, 2, EVENT_SYNC, "CONNECT");
  fields.captureHeaders.Add(header);
  fields.captureBuffer.Add(CCaptBuf(0x41, 0x80, 1, 2));
  fields.captureBuffer.Add(CCaptBuf(0x42, 0x00, 0xFFFFFFFF, 0x12345678));
  fields.currentRecordIndex = 1;
}

// A store with several events, modem-event pairs and varied records.
void FillVariedStore(CORUData& store, int records) {
  auto& fields = LinkFields(store);
  fields.captureHeaders.Add(MakeEvent(0, 3, 0, "CONNECT 2400"));
  fields.captureHeaders.Add(MakeEvent(3, records - 3, EVENT_SYNC, "CONNECT 14400"));
  fields.captureHeaders[1].endText = "NO CARRIER";
  fields.captureHeaders[1].reserved32 = 77;
  fields.captureHeaders[1].reserved4 = -5;
  for (int i = 0; i < records; ++i) {
    UCHAR flags = static_cast<UCHAR>((i % 2) ? 0x80 : 0x00);
    if (i % 7 == 3 || i % 7 == 4) flags |= CAPT_MODEM_EVENT;
    fields.captureBuffer.Add(
        CCaptBuf(static_cast<UCHAR>(i * 37), flags, static_cast<ULONG>(i * 1000), static_cast<ULONG>(i)));
  }
}

}  // namespace

TEST(CaptureFile, WritesTheHandBuiltFileByteForByte) {
  CORUData store;
  FillHandBuiltStore(store);
  FileSettings settings;
  settings.viewType = 2;
  EXPECT_EQ(SaveToBytes(store, DocumentType::Capture, settings), HandBuiltFile());
}

TEST(CaptureFile, LoadsTheHandBuiltFile) {
  CORUData store;
  auto& fields = LinkFields(store);
  fields.sysCfg.bitStuffed = 0;
  FileSettings settings;
  ASSERT_EQ(LoadFromBytes(HandBuiltFile(), store, DocumentType::Capture, &settings), FileStatus::Ok);
  EXPECT_EQ(settings.viewType, 2);
  EXPECT_EQ(fields.sysCfg.standard, 3);
  EXPECT_EQ(fields.sysCfg.sync, 1);
  EXPECT_EQ(fields.sysCfg.lineType, 2);
  EXPECT_EQ(fields.sysCfg.trigger, 1);
  EXPECT_EQ(fields.sysCfg.triggerText, "AT");
  EXPECT_EQ(fields.sysCfg.item14, 5);
  EXPECT_EQ(fields.sysCfg.bitStuffed, 1);  // turned on by every capture load
  EXPECT_EQ(fields.highlightParityBit, 1);
  EXPECT_EQ(fields.currentRecordIndex, 1);
  ASSERT_EQ(fields.captureHeaders.GetSize(), 1);
  const CORUCaptureHeader& header = fields.captureHeaders[0];
  EXPECT_EQ(header.flags, EVENT_SYNC);
  EXPECT_EQ(header.startDate, "03/05/24");
  EXPECT_EQ(header.startTime, "07:08:09");
  EXPECT_EQ(header.eventName, "CONNECT");
  EXPECT_EQ(header.byteCount, 2);
  ASSERT_EQ(fields.captureBuffer.GetSize(), 2);
  EXPECT_EQ(fields.captureBuffer[0].data, 0x41);
  EXPECT_EQ(fields.captureBuffer[0].flags, 0x80);
  EXPECT_EQ(fields.captureBuffer[0].timeFraction, 1u);
  EXPECT_EQ(fields.captureBuffer[0].timeSeconds, 2u);
  EXPECT_EQ(fields.captureBuffer[1].data, 0x42);
  EXPECT_EQ(fields.captureBuffer[1].timeFraction, 0xFFFFFFFFu);
  EXPECT_EQ(fields.captureBuffer[1].timeSeconds, 0x12345678u);
}

TEST(CaptureFile, RandomRecordsOfEveryByteValueRoundTripExactly) {
  CORUData store;
  std::mt19937 random(7);
  std::uniform_int_distribution<ULONG> word(0, 0xFFFFFFFF);
  const int count = 256 * 4 + 3;
  auto& fields = LinkFields(store);
  fields.captureHeaders.Add(MakeEvent(0, count));
  for (int i = 0; i < count; ++i) {
    UCHAR data = static_cast<UCHAR>(i);
    UCHAR flags = static_cast<UCHAR>(255 - i / 4);
    ULONG fraction = (i % 5 == 0) ? 0xFFFFFFFFu : word(random);
    ULONG seconds = (i % 3 == 0) ? 0xFFFFFFFFu : word(random);
    fields.captureBuffer.Add(CCaptBuf(data, flags, fraction, seconds));
  }
  const auto bytes = SaveToBytes(store, DocumentType::Capture);
  CORUData loaded;
  ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Capture), FileStatus::Ok);
  ASSERT_EQ(LinkFields(loaded).captureBuffer.GetSize(), count);
  for (int i = 0; i < count; ++i) {
    const CCaptBuf& a = fields.captureBuffer[i];
    const CCaptBuf& b = LinkFields(loaded).captureBuffer[i];
    ASSERT_EQ(a.data, b.data) << i;
    ASSERT_EQ(a.flags, b.flags) << i;
    ASSERT_EQ(a.timeFraction, b.timeFraction) << i;
    ASSERT_EQ(a.timeSeconds, b.timeSeconds) << i;
  }
}

TEST(CaptureFile, HeadersAndTriggerTextsOfEveryPrefixFormRoundTrip) {
  for (std::size_t length : {0u, 254u, 255u, 0xFFFDu, 0xFFFEu, 0x10001u}) {
    CORUData store;
    FillVariedStore(store, 20);
    auto& fields = LinkFields(store);
    fields.sysCfg.triggerText = std::string(length, 'q');
    const auto bytes = SaveToBytes(store, DocumentType::Capture);
    CORUData loaded;
    ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Capture), FileStatus::Ok) << length;
    auto& loadedFields = LinkFields(loaded);
    EXPECT_EQ(loadedFields.sysCfg.triggerText, fields.sysCfg.triggerText);
    ASSERT_EQ(loadedFields.captureHeaders.GetSize(), 2);
    EXPECT_EQ(loadedFields.captureHeaders[1], fields.captureHeaders[1]);
    EXPECT_EQ(loadedFields.captureBuffer.GetSize(), 20);
  }
}

TEST(CaptureFile, OverlongHeaderTextsAreCutWhenWrittenSoTheFileLoadsAgain) {
  CORUData store;
  CORUCaptureHeader header = MakeEvent(0, 1);
  header.startDate = "Tuesday, March 05, 2024";
  header.eventName = "CONNECT 14400/LAPM/V42BIS";
  header.startTime = "07:08:09.123";
  header.endText = "NO CARRIER AFTER 1234 SECONDS";
  LinkFields(store).captureHeaders.Add(header);
  LinkFields(store).captureBuffer.Add(CCaptBuf(1, 0, 0, 0));
  CORUData loaded;
  ASSERT_EQ(LoadFromBytes(SaveToBytes(store, DocumentType::Capture), loaded, DocumentType::Capture), FileStatus::Ok);
  const CORUCaptureHeader& back = LinkFields(loaded).captureHeaders[0];
  EXPECT_EQ(back.startDate, "Tuesday, ");
  EXPECT_EQ(back.eventName, "CONNECT 14400/");
  EXPECT_EQ(back.startTime, "07:08:09.");
  EXPECT_EQ(back.endText, "NO CARRIER AFTER");
}

TEST(CaptureFile, RecordAttemptsAreBoundedByTheByteCountsPlusOne) {
  for (int inFile : {3, 4, 5}) {
    CORUData store;
    LinkFields(store).captureHeaders.Add(MakeEvent(0, 3));
    for (int i = 0; i < inFile; ++i) LinkFields(store).captureBuffer.Add(CCaptBuf(static_cast<UCHAR>(i), 0, 0, 0));
    CORUData loaded;
    ASSERT_EQ(LoadFromBytes(SaveToBytes(store, DocumentType::Capture), loaded, DocumentType::Capture), FileStatus::Ok);
    EXPECT_EQ(LinkFields(loaded).captureBuffer.GetSize(), std::min(inFile, 4)) << inFile;
  }
}

TEST(CaptureFile, ModemEventPairingStartsAfreshWhateverALiveCaptureLeft) {
  CORUData store;
  LinkFields(store).captureHeaders.Add(MakeEvent(0, 6));
  for (UCHAR flags : {0x40, 0x40, 0x00, 0xC0, 0x80, 0xC0})
    LinkFields(store).captureBuffer.Add(CCaptBuf(0x6C, flags, 0, 0));
  const auto bytes = SaveToBytes(store, DocumentType::Capture);
  CORUData loaded;
  auto& loadedFields = LinkFields(loaded);
  loadedFields.hdlcState = 2;  // a live capture stopped between the two halves of a pair
  ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Capture), FileStatus::Ok);
  const int marker[] = {1, 0, 0, 1, 0, 0};
  const int hidden[] = {0, 1, 0, 0, 0, 1};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(loadedFields.captureBuffer[i].markerShown, marker[i]) << i;
    EXPECT_EQ(loadedFields.captureBuffer[i].hidden, hidden[i]) << i;
  }
  EXPECT_EQ(loadedFields.hdlcState, 1);
}

TEST(CaptureFile, TruncationAtEveryOffsetKeepsWhatWasCompleteAndNeverCrashes) {
  CORUData store;
  FillVariedStore(store, 12);
  LinkFields(store).currentRecordIndex = 11;
  const auto full = SaveToBytes(store, DocumentType::Capture);
  const std::size_t recordsStart = full.size() - 12 * 10;
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    std::vector<UCHAR> bytes(full.begin(), full.begin() + static_cast<long>(cut));
    CORUData loaded;
    FileStatus status = LoadFromBytes(bytes, loaded, DocumentType::Capture);
    auto& loadedFields = LinkFields(loaded);
    const int records = loadedFields.captureBuffer.GetSize();
    const int current = loadedFields.currentRecordIndex;
    EXPECT_TRUE(current == -1 || (current >= 0 && current < records)) << cut;
    if (cut < recordsStart) {
      EXPECT_EQ(status, FileStatus::CaptureReadError) << cut;
      EXPECT_EQ(current, -1) << cut;
      EXPECT_EQ(records, 0) << cut;
    } else {
      // A file that simply ends early loses only its incomplete records.
      EXPECT_EQ(status, FileStatus::Ok) << cut;
      EXPECT_EQ(records, static_cast<int>((cut - recordsStart) / 10)) << cut;
      EXPECT_EQ(loadedFields.captureHeaders.GetSize(), 2) << cut;
      EXPECT_EQ(current, records == 12 ? 11 : -1) << cut;
    }
  }
}

TEST(CaptureFile, CorruptedCountsEndInTheErrorWithThePartialDataKept) {
  CORUData store;
  FillVariedStore(store, 12);
  const auto good = SaveToBytes(store, DocumentType::Capture);
  const std::size_t countAt = 1 + 5 + 1 + 2 + 12;  // view type, 5 bytes, empty trigger text, 2 bytes, 3 ints
  const std::size_t header0 = countAt + 4;
  const std::size_t header0ByteCount = header0 + 1 + 4 + 4 + 8 + 4;
  const std::size_t header0NameLength = header0ByteCount + 4;
  const std::size_t header1 = header0NameLength + 4 + 12 + 4 + 4 + 8 + 4;

  struct Damage {
    const char* what;
    std::size_t at;
    ULONG value;
    int headersKept;
  };
  for (const Damage& d :
       {Damage{"negative header count", countAt, 0xFFFFFFFFu, 0},
        Damage{"header count above the file length", countAt, 0x7FFFFFFFu, 0},
        Damage{"header count one above the file length", countAt, static_cast<ULONG>(good.size() + 1), 0},
        Damage{"byte count above the file length", header0ByteCount, 100000, 0},
        Damage{"negative byte count", header0ByteCount, 0x80000000u, 0},
        Damage{"name longer than 14", header0NameLength, 15, 0},
        Damage{"negative name length", header0NameLength, 0xFFFFFFF0u, 0},
        Damage{"second header's date longer than 9", header1 + 5, 10, 1},
        Damage{"second header's byte count overflows the total", header1 + 5 + 4 + 8 + 4, 0x7FFFFFFFu, 1}}) {
    std::vector<UCHAR> bytes = good;
    for (int k = 0; k < 4; ++k) bytes[d.at + static_cast<std::size_t>(k)] = static_cast<UCHAR>(d.value >> (8 * k));
    CORUData loaded;
    auto& loadedFields = LinkFields(loaded);
    loadedFields.currentRecordIndex = 3;
    EXPECT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Capture), FileStatus::CaptureReadError) << d.what;
    EXPECT_EQ(loadedFields.currentRecordIndex, -1) << d.what;
    EXPECT_EQ(loadedFields.captureHeaders.GetSize(), d.headersKept) << d.what;
    EXPECT_EQ(loadedFields.captureBuffer.GetSize(), 0) << d.what;
  }
}

TEST(CaptureFile, AnEventNameOfFifteenCharactersMakesTheFileUnreadable) {
  CORUData store;
  LinkFields(store).captureHeaders.Add(MakeEvent(0, 1, 0, "CONNECT 14400/L"));  // cut to 14 when written
  LinkFields(store).captureBuffer.Add(CCaptBuf(1, 0, 0, 0));
  auto bytes = SaveToBytes(store, DocumentType::Capture);
  // Rebuild the name with its fifteenth character, as another writer might.
  const std::string name14 = "CONNECT 14400/";
  auto at = std::search(bytes.begin(), bytes.end(), name14.begin(), name14.end());
  ASSERT_NE(at, bytes.end());
  *(at - 4) = 15;
  bytes.insert(at + 14, 'L');
  CORUData loaded;
  EXPECT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Capture), FileStatus::CaptureReadError);
}

TEST(CaptureFile, LoadingLeavesEveryIndexValid) {
  CORUData store;
  FillVariedStore(store, 5);
  LinkFields(store).currentRecordIndex = 4;
  const auto bytes = SaveToBytes(store, DocumentType::Capture);
  CORUData loaded;
  FillVariedStore(loaded, 50);
  auto& loadedFields = LinkFields(loaded);
  loadedFields.cursorRecordIndex = 40;
  loadedFields.cursorEventIndex = 1;
  ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Capture), FileStatus::Ok);
  EXPECT_EQ(loadedFields.currentRecordIndex, 4);
  EXPECT_EQ(loadedFields.cursorRecordIndex, -1);
  EXPECT_EQ(loadedFields.cursorEventIndex, 1);

  std::vector<UCHAR> damaged = bytes;
  const std::size_t currentAt = 1 + 5 + 1 + 2 + 8;
  damaged[currentAt] = 99;  // current record 99 of 5
  ASSERT_EQ(LoadFromBytes(damaged, loaded, DocumentType::Capture), FileStatus::Ok);
  EXPECT_EQ(loadedFields.currentRecordIndex, -1);
}

TEST(CaptureFile, ACaptureLoadTouchesNoTraceMember) {
  CORUData store;
  FillVariedStore(store, 5);
  const auto bytes = SaveToBytes(store, DocumentType::Capture);
  CORUData loaded;
  auto& loadedFields = LinkFields(loaded);
  loadedFields.traceSamples.Add(42);
  loadedFields.traceCursor1 = 7;
  loadedFields.traceMarker1 = 0;
  loadedFields.sysCfg.value1 = 2.5;
  ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Capture), FileStatus::Ok);
  EXPECT_EQ(loadedFields.traceSamples.GetSize(), 1);
  EXPECT_EQ(loadedFields.traceCursor1, 7);
  EXPECT_EQ(loadedFields.traceMarker1, 0);
  EXPECT_EQ(loadedFields.sysCfg.value1, 2.5);
}

TEST(CaptureFile, UnknownTypeReadsAndWritesNothing) {
  CORUData store;
  FillVariedStore(store, 5);
  EXPECT_TRUE(SaveToBytes(store, static_cast<DocumentType>(0)).empty());
  EXPECT_EQ(LoadFromBytes({1, 2, 3}, store, static_cast<DocumentType>(7)), FileStatus::UnknownType);
  EXPECT_EQ(LinkFields(store).captureBuffer.GetSize(), 5);
}

TEST(CaptureFile, SavesAndLoadsThroughAPathAndAFailedSaveKeepsTheOldFile) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("link-capture-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "run1.hsc").string();
  CORUData store;
  FillVariedStore(store, 30);
  FileSettings settings;
  settings.viewType = 2;
  ASSERT_EQ(SaveDocumentFile(path, store, DocumentType::Capture, settings), FileStatus::Ok);
  EXPECT_EQ(std::filesystem::file_size(path), SaveToBytes(store, DocumentType::Capture, settings).size());

  CORUData loaded;
  FileSettings read;
  ASSERT_EQ(LoadDocumentFile(path, loaded, DocumentType::Capture, read), FileStatus::Ok);
  EXPECT_EQ(read.viewType, 2);
  EXPECT_EQ(LinkFields(loaded).captureBuffer.GetSize(), 30);
  EXPECT_EQ(LoadDocumentFile((dir / "missing.hsc").string(), loaded, DocumentType::Capture, read),
            FileStatus::OpenFailed);
  EXPECT_EQ(SaveDocumentFile((dir / "no-such-dir" / "x.hsc").string(), store, DocumentType::Capture, settings),
            FileStatus::SaveFailed);
  EXPECT_EQ(SaveDocumentFile(path, store, static_cast<DocumentType>(0), settings), FileStatus::UnknownType);
  EXPECT_EQ(std::filesystem::file_size(path), SaveToBytes(store, DocumentType::Capture, settings).size());
  // Nothing but the file itself is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
  std::filesystem::remove_all(dir);
}

TEST(CaptureFile, LoadingASmallFileOverABigCaptureGivesTheStorageBack) {
  CORUData big;
  const int count = static_cast<int>(kLargeBlockThreshold / sizeof(CCaptBuf)) + 10;
  LinkFields(big).captureHeaders.Add(MakeEvent(0, count));
  for (int i = 0; i < count; ++i) LinkFields(big).captureBuffer.Add(CCaptBuf(static_cast<UCHAR>(i), 0, 0, 0));
  const auto bigFile = SaveToBytes(big, DocumentType::Capture);
  CORUData small;
  FillVariedStore(small, 12);
  const auto smallFile = SaveToBytes(small, DocumentType::Capture);

  CORUData store;
  ASSERT_EQ(LoadFromBytes(bigFile, store, DocumentType::Capture), FileStatus::Ok);
  auto& fields = LinkFields(store);
  ASSERT_EQ(fields.captureBuffer.GetSize(), count);
  const CCaptBuf* block = fields.captureBuffer.GetData();
  // The same capture again refills the same storage.
  ASSERT_EQ(LoadFromBytes(bigFile, store, DocumentType::Capture), FileStatus::Ok);
  EXPECT_EQ(fields.captureBuffer.GetData(), block);
  ASSERT_EQ(LoadFromBytes(smallFile, store, DocumentType::Capture), FileStatus::Ok);
  EXPECT_EQ(fields.captureBuffer.GetSize(), 12);
  EXPECT_LT(fields.captureBuffer.GetAllocatedSize(), 2000u);
}

// ---- read errors -------------------------------------------------------------------------------

namespace {

// The bytes of a file up to `good`, then a read error, as a failing disk gives them.
class FailingSource final : public ByteSource {
 public:
  FailingSource(const std::vector<UCHAR>& bytes, std::size_t good) : bytes_(bytes), good_(good) {}
  std::size_t Read(UCHAR* target, std::size_t count) override {
    const std::size_t n = std::min(count, good_ - at_);
    std::copy_n(bytes_.begin() + static_cast<long>(at_), n, target);
    at_ += n;
    if (n < count) failed_ = true;
    return n;
  }
  ULONGLONG Length() const override { return bytes_.size(); }
  bool Failed() const override { return failed_; }

 private:
  const std::vector<UCHAR>& bytes_;
  std::size_t good_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

}  // namespace

// A read error anywhere fails the load of either kind of file, also where the same file cut
// short there would load (records or samples left out).
TEST(DocumentFileReadError, FailsTheLoadWhereverItHappens) {
  CORUData capture;
  FillVariedStore(capture, 40);
  CORUData trace;
  for (int i = 0; i < 300; ++i) LinkFields(trace).traceSamples.Add(i - 150);
  for (auto [type, store] : {std::pair{DocumentType::Capture, &capture}, std::pair{DocumentType::Trace, &trace}}) {
    const std::vector<UCHAR> bytes = SaveToBytes(*store, type);
    for (std::size_t good : {std::size_t{0}, std::size_t{7}, bytes.size() / 2, bytes.size() - 3}) {
      FailingSource source(bytes, good);
      ByteReader in(source);
      CORUData loaded;
      FileSettings settings;
      EXPECT_EQ(ReadDocument(in, loaded, type, settings), FileStatus::OpenFailed)
          << (type == DocumentType::Capture ? "capture" : "trace") << " cut at " << good;
    }
  }
}

// The standard reader tells a read error from the end of a file.
TEST(DocumentFileReadError, TheFileReaderSeesAnErrorAndNotTheEnd) {
  std::FILE* folder = std::fopen(std::filesystem::temp_directory_path().c_str(), "rb");  // reads fail
  ASSERT_NE(folder, nullptr);
  FileSource failing(folder);
  UCHAR byte = 0;
  EXPECT_EQ(failing.Read(&byte, 1), 0u);
  EXPECT_TRUE(failing.Failed());
  std::fclose(folder);
  std::FILE* empty = std::tmpfile();
  FileSource ending(empty);
  EXPECT_EQ(ending.Read(&byte, 1), 0u);
  EXPECT_FALSE(ending.Failed());
  std::fclose(empty);
}
