// The framework's root class with run-time class information: each class that declares it can be
// named, tested for its base classes and, when it declares dynamic creation, made from its run-time
// class alone. That is how the host creates the views that plug-ins register.
#pragma once

class CObject;

struct CRuntimeClass {
  const char* m_lpszClassName;
  CObject* (*m_pfnCreateObject)();  // null: the class cannot be created dynamically
  const CRuntimeClass* m_pBaseClass;

  // A new object of the class (made with new; the caller owns it); null when it cannot be created.
  CObject* CreateObject() const;
  bool IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
 public:
  static const CRuntimeClass classCObject;

  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
  virtual ~CObject() = default;

  virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
  bool IsKindOf(const CRuntimeClass* wanted) const { return GetRuntimeClass()->IsDerivedFrom(wanted); }
};

// A new object of runtimeClass as a T (the caller owns it); null, nothing kept, when the class cannot
// be made dynamically or is no T.
template <typename T>
T* AfxCreateObjectAs(const CRuntimeClass* runtimeClass) {
  CObject* made = runtimeClass == nullptr ? nullptr : runtimeClass->CreateObject();
  T* object = dynamic_cast<T*>(made);
  if (object == nullptr) delete made;
  return object;
}

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)             \
 public:                                        \
  static const CRuntimeClass class##class_name; \
  const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)       \
  const CRuntimeClass class_name::class##class_name {        \
#class_name, nullptr, RUNTIME_CLASS(base_class_name)     \
  };                                                         \
  const CRuntimeClass* class_name::GetRuntimeClass() const { \
    return RUNTIME_CLASS(class_name);                        \
  }

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                   \
  CObject* class_name::CreateObject() {                                    \
    return new class_name;                                                 \
  }                                                                        \
  const CRuntimeClass class_name::class##class_name {                      \
#class_name, &class_name::CreateObject, RUNTIME_CLASS(base_class_name) \
  };                                                                       \
  const CRuntimeClass* class_name::GetRuntimeClass() const {               \
    return RUNTIME_CLASS(class_name);                                      \
  }
