// A fresh folder per test, removed afterwards, and small byte-file helpers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class temp_folder {
public:
    temp_folder();
    ~temp_folder();
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A name inside the folder, as the narrow string the file functions take.
    std::string file(const std::string& name) const;
    // The names of everything in the folder, sorted.
    std::vector<std::string> listing() const;

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> read_file_bytes(const std::string& name);
void write_file_bytes(const std::string& name, const std::vector<std::uint8_t>& bytes);
