// Text key of a data identifier.
#include "platform/tavrin/CDataId.h"

CString CDataId::GetKey() const {
  CString key;
  key.Format("%u.%u.%u.%u", static_cast<unsigned>(a_), static_cast<unsigned>(b_), static_cast<unsigned>(c_),
             static_cast<unsigned>(d_));
  return key;
}
