#pragma once

#include "VxAppsExport.h"

#include <exception>
#include <string>

namespace VxAppsExceptions
{

// Root of every error the camera interface library raises on its own account.
// The three texts (location, description, complete message) are composed once
// at construction and kept, so the pointers handed out stay valid for the
// lifetime of the exception object, copies included.
class VXAPPS_EXPORT VxAppsException : public std::exception
{
public:
    static VxAppsException create(const std::string& who, const std::string& file, int line,
                                  const std::string& message);

    VxAppsException(const VxAppsException&) = default;
    VxAppsException& operator=(const VxAppsException&) = default;
    ~VxAppsException() override;

    const char* what() const noexcept override;
    virtual const char* who() const noexcept;
    virtual const char* where() const noexcept;
    virtual const char* why() const noexcept;

protected:
    VxAppsException(const std::string& who, const std::string& file, int line, const std::string& message);

    virtual void buildLocation();
    virtual void buildErrorDescription();
    virtual void buildCompleteErrorMessage();

    // Composes the three texts through virtual dispatch; called by the
    // subclass constructors once their context fields are stored.
    void init();

    std::string m_Who;
    std::string m_File;
    int m_Line;
    std::string m_Message;
    std::string m_Where;
    std::string m_Why;
    std::string m_What;
};

} // namespace VxAppsExceptions
