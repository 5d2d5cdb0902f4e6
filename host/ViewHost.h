// The host's open views: made from the registered document templates on the UI thread, as the host
// application makes them, shown to the API as window trees, and driven by operator actions posted to
// the UI thread. The open views and each one's stored attribute map are kept in the state folder, so
// that after a restart the same views are open again, each bound to what it was bound to.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/tavrin/CAttributeMap.h"

class StateStore;
class TimerQueue;
class UiThread;

// One operator action on a view, as the window framework delivers it on the desktop.
struct ViewAction {
  enum class Kind { kScroll, kSelect, kClick, kTab, kText, kSize, kHelp };
  Kind kind = Kind::kClick;
  int control = 0;            // the control's id; none for kSize and kHelp
  unsigned code = 0;          // kScroll: SB_LINELEFT ... SB_ENDSCROLL
  int value = 0;              // kScroll: the thumb position; kSelect and kTab: the index
  std::string text;           // kText
  int width = 0, height = 0;  // kSize
};

class ViewHost {
 public:
  // What the host hears of its views, on the UI thread or the timer thread; must not block.
  class Listener {
   public:
    virtual ~Listener() = default;
    // A view's tree changed (at most once per view every kEventInterval), opened (version 1 or more)
    // or closed.
    virtual void ViewChanged(int id, std::uint64_t version, bool closed) = 0;
    // The operator asked for help on a view.
    virtual void HelpAsked(int id, const std::string& topic) = 0;
  };
  static constexpr std::chrono::milliseconds kEventInterval{50};

  // state may be null: nothing is stored. Problems with stored views are reported on report.
  ViewHost(UiThread& ui, TimerQueue& timers, StateStore* state,
           std::function<void(const std::string&)> report);
  ViewHost(const ViewHost&) = delete;
  ViewHost& operator=(const ViewHost&) = delete;
  // Closes the views (CloseAll) unless that was done.
  ~ViewHost();

  void SetListener(Listener* listener);
  // Opens the views stored in the state folder, with their ids; the templates must be registered.
  void Restore();
  // Closes every view on the UI thread, keeping them stored for the next start.
  void CloseAll();
  // Called by the UI thread after each piece of work: trees that changed are taken anew, the
  // listener hears of them, and changed stored maps are written.
  void AfterUiWork();

  struct Opened {
    enum class Outcome { kOpened, kNoTemplate, kFailed, kStopping };
    Outcome outcome = Outcome::kOpened;
    int id = 0;
  };
  Opened Open(const std::string& templateName, const CAttributeMap& attributes);
  // False when no view has that id.
  bool Close(int id);

  struct Listing {
    int id = 0;
    std::string templateName;
    std::string title;
  };
  std::vector<Listing> List() const;
  // The view's tree as JSON text ({"id", "template", "title", "version", "root"}); nothing for an
  // unknown id.
  std::optional<std::string> Tree(int id) const;

  struct Acted {
    enum class Outcome { kDone, kNoView, kNoControl, kWrongKind, kStopping };
    Outcome outcome = Outcome::kDone;
    std::uint64_t version = 0;  // kDone: the tree's version once every action was handled
    std::size_t action = 0;     // the action refused
  };
  // Handles the actions in order on the UI thread, as one unit. Nothing is done when any action
  // names a control the view does not have, or one of another kind.
  Acted Act(int id, const std::vector<ViewAction>& actions);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};
