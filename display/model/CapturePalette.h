#pragma once

// The capture display's colours, named once, and the one rule that colours a captured byte. The
// session view, the capture text view, the read-out panel and printing all take their colours
// from here and turn them into Qt colours only where they paint.
//
// A byte's colours come in two steps: the cell-style rule picks what the byte is drawn as (its
// own colour, the marker, grey Sync, a modem event, a parity error or a parity bit) by the
// view's priority order; the colour function writes that style in the view's colours.

#include "shell/model/Color.h"

struct AppSettings;

// Fixed colours (0x00BBGGRR).
constexpr COLORREF kModemEventBack = 0x0000FF;  // red
constexpr COLORREF kModemEventText = kWhite;
constexpr COLORREF kSyncBack = 0xC0C0C0;  // grey
constexpr COLORREF kParityErrorBack = 0x10DFDF;
constexpr COLORREF kParityBitBack = 0xDFDF80;
// The text view's shaded hex columns shade the parity colours too.
constexpr COLORREF kParityErrorShadedBack = 0x2EFDFD;
constexpr COLORREF kParityBitShadedBack = 0xFDFD9E;
constexpr COLORREF kParityText = kBlack;
constexpr COLORREF kTitleBack = kBlack;
constexpr COLORREF kTitleText = 0x00FFFF;  // yellow
// A separator: dark lines with a light one between them (the text view draws only the dark ones).
constexpr COLORREF kSeparatorDark = kBlack;
constexpr COLORREF kSeparatorLight = kWhite;
// Paper, and the text view's page on screen too, is white whatever the window colour.
constexpr COLORREF kPaper = kWhite;
constexpr COLORREF kPaperText = kBlack;
// The read-out panel writes on the marker colour in white, whatever the marker's text colour.
constexpr COLORREF kMarkerPanelText = kWhite;

// The user's colours from the settings and the window's: the palette's input.
struct CaptureColors {
  COLORREF answer = kDefaultAnswerColor;
  COLORREF answerText = kBlack;
  COLORREF originate = kDefaultOriginateColor;
  COLORREF originateText = kBlack;
  COLORREF marker = kDefaultMarkerColor;
  COLORREF markerText = kWhite;
  COLORREF answerShade = kDefaultAnswerColor;  // the hex layouts' alternate cells
  COLORREF originateShade = kDefaultOriginateColor;
  COLORREF window = kWhite;      // COLOR_WINDOW
  COLORREF windowText = kBlack;  // COLOR_WINDOWTEXT
};

CaptureColors ColorsFrom(const AppSettings& settings, COLORREF window, COLORREF windowText);
// The colours on paper (and on the text view's white page).
CaptureColors PaperColors(const AppSettings& settings);

enum class CellStyle { Own, Marker, Sync, ModemEvent, ParityError, ParityBit };

// What holds for one byte. The style is the first that holds in the view's order.
struct CellTraits {
  bool answer = false;  // Answer direction, else Originate
  bool shaded = false;  // a hex cell drawn in the shade of its colours
  bool marker = false;  // the selected byte (currentRecordIndex)
  bool sync = false;    // a synchronous capture is configured
  bool modemEvent = false;
  bool parityError = false;  // 7E1, errors highlighted, and the parity test fails
  bool parityBit = false;    // 7E1, the parity bit highlighted, and bit 7 set
};

// The two priority orders. Both put the marker first and Sync grey next.
enum class CellOrder {
  // Marker, Sync, modem event, parity error, parity bit: the session view and the text view's
  // hex layout.
  ModemEventFirst,
  // Marker, Sync, parity error, parity bit, modem event: the text view's ASCII layout.
  ParityFirst,
};

CellStyle CellStyleOf(const CellTraits& traits, CellOrder order);

// The text colour a view writes a modem event in.
enum class ModemEventInk { White, Direction, Originate };

// How one view writes the styles.
struct ViewPalette {
  CellOrder order = CellOrder::ModemEventFirst;
  ModemEventInk modemEventInk = ModemEventInk::White;
  bool shadeParity = false;  // shaded cells take the shaded parity colours too
};

inline constexpr ViewPalette kSessionPalette{CellOrder::ModemEventFirst, ModemEventInk::White, false};
inline constexpr ViewPalette kTextAsciiPalette{CellOrder::ParityFirst, ModemEventInk::Direction, false};
inline constexpr ViewPalette kTextHexPalette{CellOrder::ModemEventFirst, ModemEventInk::Originate, true};

struct CellColors {
  COLORREF background = 0;
  COLORREF text = 0;
  bool operator==(const CellColors&) const = default;
};

// The one colour function: the byte's style in `view`, written in `colors`.
CellColors CellColorsOf(const CellTraits& traits, const ViewPalette& view, const CaptureColors& colors);

// The hovered byte: both colours complemented, so that a second inversion restores them.
constexpr CellColors Inverted(CellColors colors) { return {colors.background ^ 0xFFFFFF, colors.text ^ 0xFFFFFF}; }
