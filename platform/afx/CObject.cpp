// Run-time class information of the framework's root class.
#include "platform/afx/CObject.h"

const CRuntimeClass CObject::classCObject{"CObject", nullptr, nullptr};

CObject* CRuntimeClass::CreateObject() const {
  return m_pfnCreateObject == nullptr ? nullptr : m_pfnCreateObject();
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* at = this; at != nullptr; at = at->m_pBaseClass) {
    if (at == base) return true;
  }
  return false;
}
