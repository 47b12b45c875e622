// Texts of the string table, shared by the resource script and the headless backend (UTF-8).
#pragma once

#define VANTREL_TEXT_ABOUTBOX "关于 vantrelTool(&A)..."
