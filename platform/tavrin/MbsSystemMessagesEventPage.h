// The event page of a system messages view: the selected multibeam's event messages, newest first,
// each with its time, its kind (information, warning, error: the row's image) and its text. The
// page keeps the latest kMessagesKept; a switch asks for errors only, which the family's page obeys
// as messages arrive.
#pragma once

#include <cstddef>
#include <deque>

#include "platform/tavrin/CExTime.h"
#include "platform/tavrin/MbsSystemMessagesPage.h"

class MbsSystemMessagesEventPage : public MbsSystemMessagesPage {
  DECLARE_DYNAMIC(MbsSystemMessagesEventPage)

 public:
  static constexpr std::size_t kMessagesKept = 1000;

  explicit MbsSystemMessagesEventPage(CWnd* parent);

  // An event record or the stored-events record of the selected sonar; true when the page took it.
  virtual bool HandleRecord(int /*recordType*/, unsigned char* /*record*/, const CString& /*name*/) {
    return false;
  }

  // Whether the operator wants errors only.
  BOOL OnlyShowErrors() const;
  // Adds a message at the top: its event type, the time of its record and its text (zero-terminated).
  void AddMessage(unsigned short type, const tagTIMEZQ* time, const char* text);
  // Forgets the messages kept.
  void Init();
  // Empties the list.
  void ClearDisplay();
  int GetMessageCount() const { return static_cast<int>(messages_.size()); }

 protected:
  void OnErrorsOnlyClicked();

  DECLARE_MESSAGE_MAP()

 private:
  struct Message {
    unsigned short type = 0;
    CString time;
    CString text;
  };
  std::deque<Message> messages_;  // newest first
};
