// What the host's system-messages framework keeps per multibeam family and per sonar, made by a
// system messages view's factories: the BITE info (board names of every sonar, from the sonars'
// configuration records) and a sonar's settings info (which sonar it is, and whatever the family
// keeps for it).
#pragma once

#include "platform/afx/CObject.h"
#include "platform/afx/CString.h"
#include "platform/tavrin/CDataId.h"

class MultiBeamBITEInfo {
 public:
  MultiBeamBITEInfo() = default;
  MultiBeamBITEInfo(const MultiBeamBITEInfo&) = delete;
  MultiBeamBITEInfo& operator=(const MultiBeamBITEInfo&) = delete;
  virtual ~MultiBeamBITEInfo() = default;

  // Takes the boards of a sonar's configuration record (the whole record, frame header first). The
  // framework's own info knows no boards and takes every record.
  virtual bool LoadBoardConfig(unsigned char* /*record*/, CString /*sonarName*/) { return true; }
  // The display name of a sonar's board; the framework's own info leaves name as it is.
  virtual bool GetBoardName(CString /*sonarName*/, CString& /*name*/, unsigned char /*boardId*/) {
    return true;
  }
};

class MultiBeamSettingsInfo : public CObject {
  DECLARE_DYNAMIC(MultiBeamSettingsInfo)

 public:
  MultiBeamSettingsInfo() = default;
  MultiBeamSettingsInfo(const MultiBeamSettingsInfo&) = delete;
  MultiBeamSettingsInfo& operator=(const MultiBeamSettingsInfo&) = delete;
  ~MultiBeamSettingsInfo() override = default;

  // The sonar device the info belongs to, and its name, set by the framework when the sonar appears.
  const CDataId& GetDataId() const { return dataId_; }
  void SetDataId(const CDataId& id) { dataId_ = id; }
  const CString& GetName() const { return name_; }
  void SetName(const CString& name) { name_ = name; }

 private:
  CDataId dataId_;
  CString name_;
};
