// Helpers for tests that drive the stand-in host: drawings built in code, reading the drawing
// back, and a fixture that resets the host and fails a case whose plug-in broke the protocol.
#pragma once

#include "zelhost/Utf8.h"
#include "zelhost/ZelHostDriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The stand-in host's own conversions, compiled into the test support.
inline std::string Utf8(const std::wstring& wide) { return zelhost::Utf8FromWide(wide); }
inline std::wstring Wide(const std::string& utf8) { return zelhost::WideFromUtf8(utf8); }

// Where the plug-in keeps its search method, under HKEY_CURRENT_USER: the prefix, then the
// plug-in's subkey, with the value "Method".
inline const std::wstring MethodKeyPrefix = L"SOFTWARE\\Tarnwick\\ZEL\\";
inline const std::wstring MethodKey = MethodKeyPrefix + L"Sorvane";
// Stores `method` as the plug-in's "Method" text, as the plug-in writes it (REG_SZ with its NUL).
void StoreMethod(const wchar_t* method);

// A drawing under construction; Load hands it to the stand-in host.
class DrawingBuilder {
public:
    // A segment holding one annotation (element type 33); a height of 0 leaves the host's own.
    DrawingBuilder& Annotation(int segment, int element, double x, double y, const std::wstring& text,
                               int qualifier = 0, double height = 0);
    // A segment holding one element of another type.
    DrawingBuilder& Other(int segment, int element, double x, double y, int type = 1);
    // Appends an element to the last segment.
    DrawingBuilder& Element(int element, int type, double x, double y, const std::wstring& text = L"");
    std::string Json() const;
    void Load() const;

private:
    struct Item {
        int id, type;
        double x, y;
        std::wstring text;
        double height;
    };
    struct Seg {
        int id, qualifier;
        std::vector<Item> items;
    };
    std::vector<Seg> segments_;
};

// The text of an element in the stand-in host's drawing, or "<gone>" when its segment is gone.
std::wstring TextOf(int elementId);
bool SegmentExists(int segmentId);

// The lines of the stand-in's call log that begin with `prefix`.
std::vector<std::string> CallsOf(const std::string& prefix);

class HostFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The transcript lines since the last call.
    std::vector<std::string> TakeTranscript();

private:
    size_t seen_ = 0;
};
