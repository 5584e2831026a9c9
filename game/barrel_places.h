#pragma once
// Where New Game places the 38 barrels (their reference masses), in order.

namespace game {

struct BarrelPlace {
    float x, y;
};

inline constexpr int BARREL_COUNT = 38;

inline constexpr BarrelPlace BARREL_PLACES[BARREL_COUNT] = {
    {231, 31},   {471, 31},   {591, 31},   {711, 31},   {351, 91},   {471, 91},   {591, 91},
    {711, 91},   {231, 151},  {351, 151},  {471, 151},  {591, 151},  {711, 151},  {231, 451},
    {351, 451},  {471, 451},  {591, 451},  {711, 451},  {440, 800},  {440, 860},  {200, 980},
    {200, 1040}, {200, 1100}, {200, 1160}, {200, 1220}, {800, 800},  {800, 860},  {800, 920},
    {800, 980},  {800, 1040}, {800, 1100}, {800, 1160}, {800, 1220}, {231, 1490}, {351, 1490},
    {471, 1490}, {591, 1490}, {711, 1460}};

} // namespace game
