#pragma once

#include "math/Quat.h"
#include "mesh/Mesh.h"
#include "mesh/Vec3.h"

// The one application object: window mode, pointer anchor, camera and the two meshes.
// Every toolkit callback forwards to one of its operations.
struct Viewer {
    bool fullscreen = false;
    int savedX = 0;  // window geometry saved on entering full screen
    int savedY = 0;
    int savedWidth = 0;
    int savedHeight = 0;
    int anchorX = 0;  // mouse-look anchor, window pixels
    int anchorY = 0;
    Quat orientation;   // camera turn; yaw accumulates here
    float pitch = 0.0f;  // degrees, unbounded
    Vec3 position{};     // eased camera translation
    Vec3 target{};       // where position eases to
    Mesh* mainModel = nullptr;  // "1.obj", drawn once; null if it could not be allocated
    Mesh* gridModel = nullptr;  // "2.obj", drawn as the 5 x 5 grid

    // Display mode, window, GL state, both meshes, full screen, hidden pointer, anchor.
    void init();
    void display();
    void reshape(int width, int height);
    void keyboard(int key, int x, int y);
    void special(int key, int x, int y);
    void motion(int x, int y);
    void leftButtonDown(int x, int y);
    void leftButtonUp(int x, int y);
    void rightButton(int x, int y);
    // Ends the process with status 0 through exit(), so buffered output is written.
    [[noreturn]] void quit();
};
