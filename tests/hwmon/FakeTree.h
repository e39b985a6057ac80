#pragma once
// Small files in a temp folder: fake sysfs trees and sensor files.
#include <string>
#include <utility>
#include <vector>

// Writes text to root + relative ('/' separated), creating the folders on the way.
void WriteTextFile(const std::wstring& root, const std::string& relative, const std::string& text);

using FakeFiles = std::vector<std::pair<std::string, std::string>>; // relative path, content

// Lays out files below root (which stands for /sys).
void MakeFakeTree(const std::wstring& root, const FakeFiles& files);
