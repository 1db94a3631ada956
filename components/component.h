// The base of every component: an owner that frees what it owns, a name
// unique among the owner's components, and the class name.
#pragma once

#include <string>
#include <vector>

namespace zelmor {

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  virtual const char* ClassName() const { return "TComponent"; }

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
  // The owned component of that name (case ignored), or nullptr.
  TComponent* FindComponent(const std::string& name) const;

  const std::string& Name() const { return name_; }
  // A valid identifier or empty, unique among the owner's components ignoring
  // case; otherwise EComponentError and the name stays as it was.
  void SetName(const std::string& name);

 protected:
  // Frees the owned components, the newest first. Derived destructors call
  // it before they tear down what their owned components may still use.
  void DestroyComponents();

 private:
  void Remove(TComponent* component);

  TComponent* owner_;
  std::string name_;
  std::vector<TComponent*> components_;
};

}  // namespace zelmor
