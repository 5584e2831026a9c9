#pragma once
// The C interface of the JavaScript package, declared for native callers
// (the scene program that the package's results and speed are compared
// with). Handles are doubles: WebAssembly's JavaScript numbers carry them
// exactly. binding.h says how handles and buffers work.

#include <cstdint>

extern "C" {
const char* tg_error();
double* tg_in(int count);
double* tg_out(double world);
std::uint8_t* tg_in_bytes(int count);
std::uint8_t* tg_bytes(double world);

double tg_world_create();
void tg_world_free(double world);
int tg_world_step(double world, int steps);
int tg_world_set(double world, int what, double a, double b);
double tg_world_get(double world, int what);
int tg_new_group();
int tg_has_threads();

double tg_mass_create(double world, double x, double y, double mass, double radius,
                      double friction, int group);
double tg_mass_get(double world, double mass, int what);
int tg_mass_set(double world, double mass, int what, double a, double b);
double tg_link(double world, double m1, double m2, double restLength, double stiffness,
               double compliance, double damping);
double tg_ring(double world, int kind, int count, double a, double b, double compliance,
               double damping);
double tg_angle(double world, double first, double middle, double last, double restAngle,
                double stiffness, double lower, double upper);
double tg_con_get(double world, double constraint, int what);
int tg_con_set(double world, double constraint, int what, double a, double b);
int tg_con_masses(double world, double constraint);
double tg_zone_create(double world, int points, int style, double friction, int group,
                      int quadTreeLevel);
double tg_zone_get(double world, double zone, int what);
int tg_zone_set(double world, double zone, int what, double a, double b);
int tg_zone_points(double world, double zone);
int tg_remove(double world, int kind, double handle);

double tg_build(double world, int kind);
int tg_body_parts(double world, double body, int which);
int tg_body_do(double world, double body, int what, double a, double b);
double tg_body_get(double world, double body, int what);

double tg_snapshot_take(double world);
int tg_snapshot_restore(double world, double snapshot);
int tg_save(double world, int kind, double handle);
int tg_load(double world, int kind);

int tg_raycast(double world, double x1, double y1, double x2, double y2, int flags, int group,
               int all);
int tg_query(double world, int point, double x1, double y1, double x2, double y2, int flags,
             int group);
int tg_nearest(double world, double x, double y, double reach, int flags, int group);
int tg_contacts(double world, int ends);

int tg_draw_refresh(double world);
const void* tg_draw_view(double world, int which);
int tg_draw_pair_count(double world);
double tg_draw_mass(double world, int slot);
}
