#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "model/CPELKDoc.h"
#include "report/ReportDrawing.h"

namespace hvt {

enum class Paper { A4, Letter };

struct ReportPdfOptions {
  Paper paper = Paper::A4;
  int codePage = 1252;  // of the document's texts and the memo line width
  ReportDrawing::DateSource today;
};

// Writes the report the document gives now, every page, as a PDF. The paper
// has a printer's unprintable edge of 5 mm on each side, so A4 has a
// printable area of 200 x 287 mm. The file is replaced in one step; false
// and an error text on failure. Needs a QGuiApplication.
bool WriteReportPdf(const std::string& path, CPELKDoc& doc, const ReportPdfOptions& options,
                    std::string* error = nullptr);

// The same PDF as bytes, for standard output or for a check before writing.
bool RenderReportPdf(CPELKDoc& doc, const ReportPdfOptions& options, std::string& bytes,
                     std::string* error = nullptr);

class QtReportCanvas;
class TextCodec;

// Pages drawn onto a PDF/A-1b of the paper, with the report's printable area
// (5 mm edges): draw gets the canvas and a call that starts the next page,
// and calls the canvas's BeginPage at the start of each.
using DrawPages = std::function<void(QtReportCanvas&, const std::function<void()>& newPage)>;
bool RenderPdfPages(Paper paper, const std::string& titleUtf8, const TextCodec& codec,
                    const DrawPages& draw, std::string& bytes, std::string* error);

// Today's local date.
std::chrono::year_month_day LocalDate();

}  // namespace hvt
