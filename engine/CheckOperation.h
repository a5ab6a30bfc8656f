#pragma once
// The pipeline's two operations without work of their own.
#include "engine/BasicOperation.h"

// Stands for every state code without an operation, the table's terminator among them.
// It declares itself invalid, so the pipeline never runs it.
class CompleteOperation : public BasicOperation {
public:
    CompleteOperation();
    int Excute() override;
    int IsInvalid() override { return 1; }
};

// State code 1: nothing to check.
class CheckOperation : public BasicOperation {
public:
    CheckOperation() = default;
    int Excute() override { return 1; }
};
