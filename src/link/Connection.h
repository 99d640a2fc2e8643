#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/StringTable.h"

namespace hvt {

class CPELKDoc;
class CRsBasicProtocol;
class FormControls;
class InstrumentCommands;
class Prompter;
class TextCodec;
class TimerHost;

// Bits of the two "QG" status characters (only their low four bits count).
namespace status {
inline constexpr int kRunning = 0x01;     // character 2
inline constexpr int kStopped = 0x02;     // character 2: the reason is in character 3
inline constexpr int kPaused = 0x04;      // character 2
inline constexpr int kNextUnit = 0x08;    // character 2: the instrument asks for the next unit
inline constexpr int kError = 0x01;       // character 3: read the code with "QN"
inline constexpr int kLineOn = 0x02;      // character 3
inline constexpr int kStopSignal = 0x08;  // character 3: stopped by the external input
// The flags of status character 2 or 3; 0 when the answer is too short.
inline int Flags(const std::string& answer, size_t index) {
  return index < answer.size() ? static_cast<unsigned char>(answer[index]) & 0x0F : 0;
}
}  // namespace status

inline constexpr int kLineWatchTimer = 3;

// Whether the program works with an instrument or in demonstration mode, and
// how the instrument's reports reach the operator.
class Connection {
 public:
  Connection(CPELKDoc& doc, CRsBasicProtocol& protocol, InstrumentCommands& commands,
             Prompter& prompter, FormControls& form, TimerHost& timers);

  // Saves the document as File Save does; offered when an instrument is
  // found while in demonstration mode.
  std::function<void()> saveDocument;
  // Told when demonstration mode was chosen while the instrument may still
  // run a test or have the line on.
  std::function<void()> mayStillInject;
  // The instrument's answer to the identification query of the last
  // connection.
  std::string identity;
  // Converts the system's texts (UTF-8) in the messages to the code page.
  const TextCodec* codec;
  // A device path given in place of a port number (hvtctl --device): the
  // messages name it instead of "COMn".
  std::string namedDevice;

  // False only when the operator chose Abort at start-up.
  bool Connect();
  // The new value for demoMode.
  bool AskDemo();
  bool IsTestRunning();
  // 1 line on, 0 the line went off, -1 no valid status.
  int32_t CheckLineStatus();
  // Shows why the instrument stopped a test; says what it showed, and
  // whether it was the operator's stop (the panel or the stop input) rather
  // than an error.
  struct StopReport {
    std::string text;
    bool byOperator = false;
    int32_t errorCode = 0;
  };
  StopReport ReportStopReason(const std::string& status);
  // The text it shows.
  std::string ShowErrorMessage(int32_t code);
  // A message in the standard box: OK, warning icon.
  void ShowMessage(const std::string& text);

  // "COM5 (/dev/ttyUSB4)", or the device given.
  std::string PortLabel() const;

 private:
  // The failure box's text: the message and the port's line under it.
  std::string OpenFailureText() const;
  std::string QueryFailureText() const;

  CPELKDoc& doc;
  CRsBasicProtocol& protocol;
  InstrumentCommands& commands;
  Prompter& prompter;
  FormControls& form;
  TimerHost& timers;
};

}  // namespace hvt
