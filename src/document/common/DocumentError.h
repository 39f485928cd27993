#pragma once
// A document the converter cannot take, and why: a refusal of the input (not
// a fault of the program). The converter's trap turns it into its own exit
// code and a line in its log.
#include <exception>
#include <string>

namespace Document {

class DocumentError : public std::exception {
public:
    explicit DocumentError(std::wstring description) : description_(std::move(description)) {}

    const std::wstring& Description() const noexcept { return description_; }
    const char* what() const noexcept override { return "Document::DocumentError (see Description())"; }

private:
    std::wstring description_;
};

} // namespace Document
