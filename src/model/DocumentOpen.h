#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/TextId.h"

namespace hvt {

class CPELKDoc;
class TextCodec;

// Why a document was not opened; each has its message (IDs below).
enum class OpenRefusal { None, WrongExtension, NotADocument, OtherUnitType, UnexpectedEnd };
// The message of a refusal (none for None).
std::optional<TextId> RefusalMessage(OpenRefusal refusal);

// Opens a document's bytes as the start-up and the recent-file list do:
// the open rules of the path and the file, loaded into a copy so that a
// refused file leaves the document as it was. An empty file is not read.
// A header that is not ours goes to headerFound when asked for.
OpenRefusal OpenDocumentBytes(CPELKDoc& doc, const std::string& path, std::string_view bytes,
                              const TextCodec& codec, std::string* headerFound = nullptr);

// The operator's message for a refused file, in the code page: its
// message, and under 61728 the file and where it ended, under 4002 the
// header it holds. path is in the code page.
std::string RefusalText(OpenRefusal refusal, const std::string& path, size_t fileSize,
                        const std::string& headerFound, const TextCodec& codec);

// A header as the message quotes it: control bytes (and bytes that are not
// text in the code page) as \xNN, at most 60 characters, "..." after a cut.
std::string QuotedHeader(const std::string& header, const TextCodec& codec);

// Only the last three characters count, in any case: "TEST.PLK" and
// "testplk" pass.
bool HasPlkExtension(const std::string& path);

// Fits the units of a document saved with another model to the connected
// instrument: a Variable period below its minimum becomes the minimum (stop
// one above), a voltage above the terminator's limit becomes 0.01 kV (stop
// 0.02, step 0.01). True when any unit was changed.
bool AdaptToInstrument(CPELKDoc& doc);

}  // namespace hvt
