#pragma once
// vexo-sim on a pseudo-terminal as a process of its own, ended when the test ends. Device is
// the slave it serves (empty when it did not start).
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct TSimProcess {
    pid_t Pid = -1;
    std::string Device;
    explicit TSimProcess(const std::vector<std::string>& args = {}) {
        int pipeFd[2];
        if (pipe(pipeFd) != 0) return;
        Pid = fork();
        if (Pid == 0) {
            dup2(pipeFd[1], 1);
            close(pipeFd[0]);
            std::vector<std::string> all{VEXO_SIM_EXE};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (auto& a : all) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(pipeFd[1]);
        char c;
        while (read(pipeFd[0], &c, 1) == 1 && c != '\n') Device += c;
        close(pipeFd[0]);
    }
    ~TSimProcess() {
        if (Pid > 0) {
            kill(Pid, SIGTERM);
            waitpid(Pid, nullptr, 0);
        }
    }
    TSimProcess(const TSimProcess&) = delete;
    TSimProcess& operator=(const TSimProcess&) = delete;
};
