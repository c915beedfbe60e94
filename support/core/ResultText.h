#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "support/core/IoModes.h"
#include "support/core/Utf8Text.h"

// What the tool does to a program's result before the editor gets it: the
// encoding its byte-order mark announces, the refusal of a NUL (the editor's
// window takes text only up to its first NUL, so the rest would be lost), and
// line ends like those of the text handed over. Each step runs over texts of
// hundreds of MiB: single passes, in place, and no copy when nothing changes.

// The encoding a result announces by its first bytes. Valid code page 932
// text never begins with these bytes, so a result without them is taken as it
// is (or as UTF-8 under /io=utf8).
enum class ResultEncoding { AsItIs, Utf8Bom, Utf16Le, Utf16Be };
ResultEncoding ResultEncodingOf(std::string_view result);

// Whether the result, once converted by its byte-order mark, would hold a NUL
// byte (in UTF-16 a unit U+0000): asked before the conversion, so that a
// refused result still has its own bytes.
bool ResultHoldsNul(std::string_view result);

// The result converted to code page 932 in place: by its byte-order mark
// (Utf8ToCp932 / Utf16ToCp932InPlace rules: the JIS forms mapped back, a
// character that code page 932 lacks refused with its code point and line),
// or, without one, from UTF-8 when `utf8`, else left as it is. On failure
// `result` is left as it was.
TextConversion ResultToCp932(std::string& result, bool utf8);

// What a message names as a conversion's fault: the character ("U+1F600") or
// the kind of bad bytes.
std::string ConversionFaultText(const TextConversion& conversion);

// Which line ends a text holds: CR LF, LF without a CR before it; and
// whether it ends in a line end (a last CR counts, so that nothing is dropped
// after a text whose end is unclear).
struct LineEnds {
    bool crLf = false;
    bool bareLf = false;
    bool endsInLineEnd = false;
};
// One pass, 32 bytes at a time where the processor has SSE2, ending early at a
// text that holds both. The text handed over may be looked at before the run,
// when its storage is to be reused for the result. (Preparing a result finds
// its NUL and its line ends in one such pass.)
LineEnds FindLineEnds(std::string_view text);

// Line ends like the text handed over, in place; false when nothing changed.
// A result that mixes CR LF and bare LF is left as it is. Otherwise:
// - when the text does not end in a line end and the result ends in exactly
//   one (CR LF or LF, with no line end or CR before it), that one is dropped
//   (a filter that adds a final line end would push the next line down);
// - when the text has CR LF and no bare LF, and the result bare LF and no
//   CR LF, each LF becomes CR LF, unless the result would then pass the size
//   the tool holds (kMaxTextBytes): it is then left with its LFs.
bool MatchLineEnds(const LineEnds& handedOver, std::string& result);
// The same with the text itself, looked at only where the result needs it
// (a result of bare LFs alone): no pass over the text in the usual run.
bool MatchLineEnds(std::string_view handedOver, std::string& result);

// Whether the program changed its file: its time changed (set back counts),
// or with the same time, its size or bytes differ from those handed over
// (converters that keep the time, 2-second times, a run within one tick).
bool ResultChanged(bool timeChanged, std::string_view handedOver, std::string_view result);

// The steps above in order, on a result read whole: NUL, encoding, then line
// ends unless /io=exact. `result` is untouched unless the verdict is Ready.
enum class ResultVerdict { Ready, HoldsNul, NotCp932 };
struct PreparedResult {
    ResultVerdict verdict = ResultVerdict::Ready;
    TextConversion conversion;  // the fault of NotCp932
};
PreparedResult PrepareResult(std::string& result, const IoModes& modes, const LineEnds& handedOver);
PreparedResult PrepareResult(std::string& result, const IoModes& modes, std::string_view handedOver);

// What /out=after puts back in place of the text handed over: that text's own
// bytes, then the result; where the text does not end with a line end and the
// result is not empty, one line end of the text's kind (CR LF unless the text
// has bare LFs only) between them.
std::string TextWithResultAfter(std::string_view handedOver, std::string_view result);
