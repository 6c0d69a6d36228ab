#pragma once

#include <string>
#include <vector>

#include "chain/ParameterBlock.h"

namespace veltra::tools {

// Magnitude responses of a tuning's equaliser stages (a disabled stage is flat), from the
// coefficients the filter bank designs, on a logarithmic grid from 10 Hz to just below half the
// rate.
struct ResponseTable {
    std::vector<std::string> columns;  // stage names, then "total" when more than one
    std::vector<double> frequencies;
    std::vector<std::vector<double>> decibels;  // [column][point]
};

// `stage` is "all" or one of "PreEQ", "PostEQ", "PostEQ2"; an unknown name gives an empty table.
// Columns are named `prefix` + stage name.
ResponseTable computeResponse(const std::string& stage, int sampleRate, int points,
                              const ParameterList& blocks, const std::string& prefix = "");
// Appends the other table's columns (same frequencies).
void appendColumns(ResponseTable& table, ResponseTable other);
std::string toCsv(const ResponseTable& table);
// Plots with gnuplot; returns false with a reason when it cannot.
// An empty title names the equaliser stages.
bool plotPng(const ResponseTable& table, const std::string& path, int sampleRate,
             std::string& reason, const std::string& title = "");

}  // namespace veltra::tools
