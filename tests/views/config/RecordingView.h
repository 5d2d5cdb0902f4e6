// A configuration view for page tests, and a page of the view in its parent window. The view holds the device
// attributes and data id the pages read, and records each request they send as "key=type value..." (numbers
// to six significant digits, as %g writes them).
#pragma once

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/afx/CWnd.h"
#include "tests/views/config/PluginResources.h"
#include "views/config/KavoConfigurationRequests.h"

using Requests = std::vector<std::string>;

struct RecordingView : public KavoConfigurationRequests {
  CDataId GetBoundDeviceId() const override { return deviceId; }
  const CAttributeMap& GetDeviceAttributes() const override { return attributes; }
  void SendRequest(const char* key, int value) override { Add(key, "int", value); }
  void SendRequest(const char* key, bool value) override { Add(key, "bool", value); }
  void SendRequest(const char* key, double value) override { Add(key, "double", value); }
  void SendRequest(const char* key, double a, double b) override { Add(key, "double2", a, b); }
  void SendSoundVelocity(double value, bool overrides) override { Add("velocity", "", value, overrides); }
  Requests Take() { return std::exchange(requests, {}); }
  template <typename... Values>
  void Add(const char* key, const char* type, Values... values) {
    std::ostringstream request;
    request << key << "=" << type;
    ((request << " " << values), ...);
    requests.push_back(request.str());
  }

  CDataId deviceId{9, 78, 1, 1};  // a sonar device: data group 78
  CAttributeMap attributes;
  Requests requests;
};

// A page shown in a form view, as the view shows its tabs, with the plug-in's resources loaded.
template <typename Page>
class ConfigurationPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_.CreateAfxWindow(AfxWindowKind::kFormView, "", WS_VISIBLE, CRect(0, 0, 400, 400), nullptr, 0);
    ASSERT_TRUE(page_.Create(Page::IDD, &parent_));
    page_.ShowWindow(SW_SHOW);
  }
  CWnd& Control(int id) const { return *page_.GetDlgItem(id); }

  PluginResources resources_;
  RecordingView view_;
  CWnd parent_;
  Page page_{&view_};
};
