// Helpers of the sonar interface library for the devices that drive Zq sonars.
#pragma once

class CAttributeMap;
class CDataId;

class KavoUtils {
 public:
  // Brings the attributes that depend on the beam mode up to date after the mode changed. The sonar
  // link keeps, for each beam mode the sonar offers, a "ZqBeamMode" child map whose occurrence index
  // is the mode number, holding the swath limits of that mode ("ZqMaxCoverage", "GUIMinAngle",
  // "GUIMaxAngle"). This copies the values of the mode that "ZqBeamModeSelection" names to the top of
  // the map, where the coverage reset and the views read them. Without such a child map, or without
  // a selected mode, the map stays as it is. The data identifier names the device whose map it is.
  static void AddBeamModeAttribs(const CDataId& id, CAttributeMap& attributes);
};
