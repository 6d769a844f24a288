// Errors of the image readers and writers; each carries the text the user sees.
#pragma once

#include <stdexcept>

class EImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EBitmapError : public EImageError {
public:
    using EImageError::EImageError;
};

class EJPEGError : public EImageError {
public:
    using EImageError::EImageError;
};

class GIFException : public EImageError {
public:
    using EImageError::EImageError;
};

class EPNGError : public EImageError {
public:
    using EImageError::EImageError;
};
