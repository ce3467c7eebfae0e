#pragma once

// The process exit status of quorlan-batch, as its help text documents it.
enum class ExitStatus : int
{
    // Every server succeeded; for preview: the result was printed.
    Success = 0,
    // The run went through the list, and at least one server failed.
    ServerFailed = 1,
    // A usage error, or a run that could not start (no server was contacted).
    NotStarted = 2
};
