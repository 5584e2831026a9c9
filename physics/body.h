#pragma once
// TBody: a name and the constraints the body has assigned into the world.

#include <string>

#include "core/list.h"
#include "core/object.h"
#include "physics/user_data.h"

namespace kel::tangle {

/// A named list of the constraints the body has assigned into the world. TAdvBody adds index
/// tables.
class TBody : public core::Object {
  public:
    /// The name.
    std::string name = "Body";
    /// The assigned constraints, in order of assignment.
    core::Ref<core::TList> conList = core::CreateList();

    TBody() = default;
    /// Destroying a body releases the constraints it holds in the world.
    ~TBody() override;
    TBody(const TBody&) = delete;
    TBody& operator=(const TBody&) = delete;

    /// Sets the name. Returns 0.
    virtual int SetName(const std::string& text);
    /// The name.
    virtual std::string GetName() const { return name; }
    /// A new list with the body's constraints in order.
    virtual core::Ref<core::TList> GetConstraints() const;
    /// Lowers every assigned constraint's count once, then empties conList.
    virtual int Clear();
    /// The program's own data on the body (see TUserData).
    const TUserData& GetUserData() const { return userData_; }
    /// Keeps the program's own data on the body. Returns 0.
    int SetUserData(const TUserData& data) {
        userData_ = data;
        return 0;
    }

  private:
    TUserData userData_;
};

} // namespace kel::tangle
