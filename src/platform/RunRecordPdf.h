#pragma once

#include <string>

#include "platform/ReportPdf.h"
#include "report/RunRecordDrawing.h"

namespace hvt {

// The run record as a PDF/A-1b in the report's style, every page it takes.
// Needs a QGuiApplication.
bool RenderRunRecordPdf(const RunRecord& record, Paper paper,
                        const ReportDrawing::DateSource& today, std::string& bytes,
                        std::string* error = nullptr);

// The same, written to a file in one step.
bool WriteRunRecordPdf(const std::string& path, const RunRecord& record, Paper paper,
                       const ReportDrawing::DateSource& today, std::string* error = nullptr);

}  // namespace hvt
